#pragma once

// The undo history of the image list: every change of the entries or the categories (order,
// sorting, moves, categories, descriptions, rotations, active flags, deleting, adding,
// "Zurücksetzen") becomes one command on the window's QUndoStack that holds the list as it was
// before and after. The states are copies of the entries whose list pictures are shared, so a
// step costs a few hundred bytes per entry; consecutive steps share the state between them.

#include "model/Datacore.h"

#include <QString>

#include <functional>
#include <memory>

class QUndoStack;

namespace korvo {

class TListHistory {
public:
    // Steps kept; older ones are dropped.
    static constexpr int Limit = 50;

    // `restored` runs after undo or redo has put a state back, to show it.
    TListHistory(TImageManager& images, QUndoStack& stack, std::function<void()> restored);

    // A change begins: the list as it is now is kept. Changes may nest; the outermost one counts.
    void Begin();
    // The change ends: when the list differs from the kept one, it becomes a step named `text`.
    void End(const QString& text);
    // Forgets every step (a project replaced the list).
    void Clear();
    QUndoStack& Stack() const { return m_stack; }

    using State = std::shared_ptr<const TImageManager>;
    // Puts a state back into the window's list; the shown category stays when it still exists.
    void Restore(const TImageManager& state);

private:
    TImageManager& m_images;
    QUndoStack& m_stack;
    std::function<void()> m_restored;
    int m_depth = 0;
    State m_before;
    State m_last; // the state after the newest step, shared with the next one
};

// One change of the list for as long as it lives.
class TListChange {
public:
    TListChange(TListHistory& history, QString text)
        : m_history(history)
        , m_text(std::move(text))
    {
        m_history.Begin();
    }
    ~TListChange() { m_history.End(m_text); }
    TListChange(const TListChange&) = delete;
    TListChange& operator=(const TListChange&) = delete;

private:
    TListHistory& m_history;
    QString m_text;
};

// Whether two lists hold the same entries with the same choices and the same categories (marks,
// album numbers and the view aside).
bool SameList(const TImageManager& a, const TImageManager& b);

} // namespace korvo
