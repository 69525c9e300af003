// The markup tree: elements with their attributes and children, destroyed and visited without
// recursing per level.

#include "markup/MLParse.h"

#include <utility>

namespace korvo {

TMLTag::TMLTag(std::string name)
    : m_name(std::move(name))
{
}

std::unique_ptr<TMLTag> TMLTag::Create(std::string name) { return std::make_unique<TMLTag>(std::move(name)); }

// The default destructor would destroy a chain of children recursively, one stack frame per
// level, and a deep enough file would overflow the stack. Instead the subtree is taken apart
// from a list: each element is emptied of its children before it dies.
TMLTag::~TMLTag()
{
    if (m_children.empty())
        return;
    std::vector<std::unique_ptr<TMLTag>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<TMLTag> tag = std::move(pending.back());
        pending.pop_back();
        for (auto& child : tag->m_children)
            pending.push_back(std::move(child));
        tag->m_children.clear();
    }
}

void TMLTag::VisitSubtree(const std::function<void(TMLTag&)>& visit)
{
    std::vector<TMLTag*> pending { this };
    while (!pending.empty()) {
        TMLTag* tag = pending.back();
        pending.pop_back();
        visit(*tag);
        for (auto child = tag->m_children.rbegin(); child != tag->m_children.rend(); ++child)
            pending.push_back(child->get());
    }
}

void TMLTag::AddAttribute(std::string name, std::string value)
{
    m_attributes.push_back(TMLAttribute { std::move(name), std::move(value) });
}

const std::string& TMLTag::GetAttribute(std::string_view name) const
{
    static const std::string none;
    for (const TMLAttribute& attribute : m_attributes)
        if (attribute.Name == name)
            return attribute.Value;
    return none;
}

bool TMLTag::HasAttribute(std::string_view name) const
{
    return std::any_of(m_attributes.begin(), m_attributes.end(),
        [name](const TMLAttribute& attribute) { return attribute.Name == name; });
}

TMLTag& TMLTag::NewChild(std::string name)
{
    m_children.push_back(std::make_unique<TMLTag>(std::move(name)));
    return *m_children.back();
}

void TMLTag::AddChild(std::unique_ptr<TMLTag> child)
{
    if (child)
        m_children.push_back(std::move(child));
}

TMLTag* TMLTag::FindChild(std::string_view name) { return const_cast<TMLTag*>(std::as_const(*this).FindChild(name)); }

const TMLTag* TMLTag::FindChild(std::string_view name) const
{
    for (const auto& child : m_children)
        if (child->m_name == name)
            return child.get();
    return nullptr;
}

TMLTag* TMLTag::Child(int index) { return const_cast<TMLTag*>(std::as_const(*this).Child(index)); }

const TMLTag* TMLTag::Child(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_children.size())
        return nullptr;
    return m_children[static_cast<std::size_t>(index)].get();
}

} // namespace korvo
