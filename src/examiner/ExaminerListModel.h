#pragma once

#include "examiner/ExaminerModel.h"

#include <QAbstractTableModel>
#include <QIcon>

namespace vireo {

// One of the examiner's eight lists as a view shows it: rows are the model's items, columns
// Unit Name, Name (where kept) and Line, and InstrumentedMark on instrumented routines.
class ExaminerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Role that gives an item's state image index: 0 for InstrumentedMark, -1 for none.
    static constexpr int StateImageRole = Qt::UserRole + 1;

    // Shows the list of that kind of the examiner model, which must outlive this model.
    ExaminerListModel(const ExaminerModel& examiner, ExaminerListKind kind, QIcon instrumentedMark,
                      QObject* parent = nullptr);

    // Tells the views that the list was filled anew or changed.
    void Refresh();
    // Which list this is.
    ExaminerListKind Kind() const { return kind_; }

    // Number of items.
    int rowCount(const QModelIndex& parent = {}) const override;
    // Two or three columns.
    int columnCount(const QModelIndex& parent = {}) const override;
    // Cell texts, the mark as decoration of column 0 and its index under StateImageRole.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Column captions.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const ExaminerList& List() const { return examiner_.List(kind_); }

    const ExaminerModel& examiner_;
    ExaminerListKind kind_;
    QIcon instrumentedMark_;
};

} // namespace vireo
