#pragma once

#include "components/ListViewExModel.h"

#include <QVariant>

#include <string>
#include <vector>

namespace vireo {

// A small list model that owns its rows: caption, sub-items (more than the visible columns if
// wanted), state image and attached data. Suits short lists such as the key marks; the caption
// can be edited in place when CaptionEditable is set.
class TListViewExItems : public TListViewExModel {
    Q_OBJECT
public:
    // An empty list.
    explicit TListViewExItems(QObject* parent = nullptr);

    // Appends a row and returns its index; the view learns of it at once.
    int Add(std::string caption, std::vector<std::string> subItems = {}, int stateImage = -1);
    // Removes the row at index.
    void Delete(int row);
    // Removes every row.
    void Clear();
    // Number of rows.
    int Count() const { return static_cast<int>(rows_.size()); }

    // Caption of a row.
    const std::string& Caption(int row) const { return rows_.at(Checked(row)).caption; }
    // Replaces the caption of a row.
    void SetCaption(int row, std::string caption);
    // Sub-item i of a row; empty when the row has fewer sub-items.
    std::string_view SubItem(int row, int i) const;
    // Number of sub-items a row carries.
    int SubItemCount(int row) const { return static_cast<int>(rows_.at(Checked(row)).subItems.size()); }
    // Replaces sub-item i of a row, adding empty sub-items before it when needed.
    void SetSubItem(int row, int i, std::string text);
    // Sets the state image of a row (-1 for none).
    void SetStateImage(int row, int image);
    // Data attached to a row; it stays with the row position when rows are sorted.
    QVariant Data(int row) const { return rows_.at(Checked(row)).data; }
    void SetData(int row, QVariant data);

    // Whether the user may edit captions in place.
    bool CaptionEditable = true;

    // Caption for column 0, sub-item column - 1 otherwise.
    std::string_view SortKey(int row, int column) const override;
    // Moves captions and sub-items; state images and data stay with the positions.
    void PermuteRows(std::span<const int> order) override;
    // State image of a row.
    int StateImage(int row) const override;
    // Captions are editable while CaptionEditable is set.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes an edited caption.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

protected:
    int StoredRowCount() const override { return Count(); }

private:
    // What moves when rows are sorted.
    struct Content {
        std::string caption;
        std::vector<std::string> subItems;
    };
    // What stays with the row position.
    struct Row : Content {
        int stateImage = -1;
        QVariant data;
    };

    std::size_t Checked(int row) const;
    void RowChanged(int row);

    std::vector<Row> rows_;
};

} // namespace vireo
