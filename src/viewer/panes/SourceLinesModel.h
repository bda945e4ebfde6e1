#pragma once

#include "viewer/session/KeyMarkRules.h"
#include "viewer/session/UnitSource.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <string>
#include <vector>

namespace vireo {

// The rows of the source window: one per line of the shown unit, with the line's number
// (1-based, always kept, shown only while the "Line Number" column exists) and the key-mark image.
class SourceLinesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SourceLinesModel(QObject* parent = nullptr);

    // One row per line.
    int rowCount(const QModelIndex& parent = {}) const override;
    // The line column, and the "Line Number" column while it is present.
    int columnCount(const QModelIndex& parent = {}) const override;
    // Line text and number; the key-mark image as decoration of column 0.
    QVariant data(const QModelIndex& index, int role) const override;
    // "Unit Name : <path>" and "Line Number".
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Replaces the rows with the lines of the unit at path; with marks given, lines that carry
    // one of them get the key-mark image.
    void LoadUnitSource(const std::string& path, UnitLines lines,
                        const KeyMarkList* marks);

    // Removes every row; the caption shows "<No Unit Name>" when resetCaption is set.
    void ClearRows(bool resetCaption);

    // Adds or removes the "Line Number" column.
    void SetLineNumberColumn(bool present);
    // Whether the "Line Number" column is present.
    bool HasLineNumberColumn() const { return lineNumbers_; }

    // Gives or takes a row's key-mark image.
    void SetKeyMarkImage(int row, bool marked);
    // Takes the key-mark image from every row.
    void ClearKeyMarkImages();
    // Whether a row shows the key-mark image.
    bool HasKeyMarkImage(int row) const;

    // The text of a line (the row caption) and its number text (sub-item 0).
    const std::string& LineText(int row) const { return lines_.at(static_cast<std::size_t>(row)); }
    std::string LineNumberText(int row) const { return std::to_string(row + 1); }

    // Caption of column 0.
    QString UnitCaption() const;

    // The key-mark image.
    void SetKeyMarkIcon(const QIcon& icon) { keyMarkIcon_ = icon; }

private:
    UnitLines lines_;
    std::vector<bool> marked_;
    std::string unit_;
    bool lineNumbers_ = true;
    QIcon keyMarkIcon_;
};

} // namespace vireo
