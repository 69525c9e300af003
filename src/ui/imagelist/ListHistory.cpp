#include "ui/imagelist/ListHistory.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <tuple>
#include <vector>

namespace korvo {

namespace {

    class TListCommand final : public QUndoCommand {
    public:
        TListCommand(TListHistory& history, TListHistory::State before, TListHistory::State after, const QString& text)
            : QUndoCommand(text)
            , m_history(history)
            , m_before(std::move(before))
            , m_after(std::move(after))
        {
        }
        void undo() override { m_history.Restore(*m_before); }
        void redo() override
        {
            // Pushing the step runs redo once; the list is in that state already.
            if (m_pushed)
                m_history.Restore(*m_after);
            m_pushed = true;
        }

    private:
        TListHistory& m_history;
        TListHistory::State m_before;
        TListHistory::State m_after;
        bool m_pushed = false;
    };

    auto Choices(const TImageRecord& image)
    {
        return std::tie(image.Source, image.FileName, image.InfoText, image.Width, image.Height, image.Active,
            image.Caption, image.FileDate, image.ExifDate, image.DateText, image.Rotate, image.Category, image.Missing,
            image.ListPicture, image.EncodedListPicture);
    }

} // namespace

bool SameList(const TImageManager& a, const TImageManager& b)
{
    if (a.ImageCount() != b.ImageCount() || a.CategoryCount() != b.CategoryCount())
        return false;
    for (int k = 1; k <= a.CategoryCount(); ++k)
        if (a.GetCategoryName(k) != b.GetCategoryName(k))
            return false;
    for (int i = 0; i < a.ImageCount(); ++i)
        if (Choices(*a.GetImage(i)) != Choices(*b.GetImage(i)))
            return false;
    return true;
}

TListHistory::TListHistory(TImageManager& images, QUndoStack& stack, std::function<void()> restored)
    : m_images(images)
    , m_stack(stack)
    , m_restored(std::move(restored))
{
    m_stack.setUndoLimit(Limit);
}

void TListHistory::Begin()
{
    if (m_depth++ > 0)
        return;
    if (m_last && SameList(*m_last, m_images))
        m_before = m_last;
    else
        m_before = std::make_shared<const TImageManager>(m_images.Clone());
}

void TListHistory::End(const QString& text)
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    State before = std::exchange(m_before, nullptr);
    if (SameList(*before, m_images))
        return;
    m_last = std::make_shared<const TImageManager>(m_images.Clone());
    m_stack.push(new TListCommand(*this, std::move(before), m_last, text)); // the stack owns it
}

void TListHistory::Clear()
{
    m_stack.clear();
    m_last.reset();
    // A change under way begins anew from the list as it is now.
    if (m_depth > 0)
        m_before = std::make_shared<const TImageManager>(m_images.Clone());
}

void TListHistory::Restore(const TImageManager& state)
{
    const int shown = m_images.ViewCategory();
    m_images = state.Clone();
    m_images.SetViewCategory(shown <= m_images.CategoryCount() ? shown : -1);
    m_images.ClearMarks();
    if (m_restored)
        m_restored();
}

} // namespace korvo
