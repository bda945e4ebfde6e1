#pragma once

#include "viewer/session/KeyMarkRules.h"
#include "viewer/session/StoredList.h"

#include <QObject>

#include <optional>
#include <span>
#include <string>

namespace vireo {

// The key marks of a viewer run, in list order: the one store the key-marks list shows and the
// source window marks its lines by. Every change is announced, bracketed where a list model
// needs it.
class KeyMarkBook : public QObject {
    Q_OBJECT
public:
    // The key marks in list order.
    const KeyMarkList& Marks() const { return marks_; }
    // The key mark at index (0 .. Count() - 1).
    const KeyMark& At(int index) const { return marks_.at(static_cast<std::size_t>(index)); }
    // Number of key marks.
    int Count() const { return static_cast<int>(marks_.size()); }

    // Appends a key mark.
    void Add(KeyMark mark);
    // Removes the key mark at index; throws std::out_of_range for another index.
    void Delete(int index);
    // Replaces every key mark.
    void Assign(KeyMarkList marks);
    // Gives the key mark at index another caption (an edit in the list).
    void SetCaption(int index, std::string caption);
    // Reorders the marks so that mark i is then what mark order[i] was (the list was sorted);
    // announced by the one who sorted.
    void Permute(std::span<const int> order);

    // Reads the stored key marks in place of the held ones; the reason when they cannot be read,
    // after which Save keeps the stored ones rather than replace them with what could be read.
    std::optional<std::string> Load();
    // Replaces the stored key marks with the held ones; the reason when that failed.
    std::optional<std::string> Save() const;

signals:
    // A mark was appended at index.
    void Added(int index);
    // The mark at index is about to go; Removed follows.
    void AboutToRemove(int index);
    // The mark announced by AboutToRemove is gone.
    void Removed(int index);
    // Every mark is about to be replaced; Reset follows.
    void AboutToReset();
    // Every mark was replaced.
    void Reset();
    // The caption of the mark at index changed.
    void CaptionChanged(int index);

private:
    KeyMarkList marks_;
    StoredList stored_;
};

} // namespace vireo
