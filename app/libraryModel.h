// The library tab's list of codes: name, IR/RF, protocol and date (local time), narrowed to
// the names that contain the search text (case ignored). The view asks only for the rows it
// shows, so a library of thousands of codes lists at once.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class TSiteLibrary;
struct libraryCode_t;

class TLibraryCodesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TLibraryCodesModel(QObject* parent = nullptr);

    // The library listed (null: none); read again by `refresh`.
    void setLibrary(const TSiteLibrary* library);
    // Lists the library's codes again (after any change to it).
    void refresh();
    void setFilter(const QString& text);
    const QString& filter() const { return filter_; }

    // The name of the code on `row`; empty when there is no such row.
    QString nameAt(int row) const;
    // The row of the code named `name` (case ignored), -1 when not listed.
    int rowOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // `narrow`: only the rows listed now are looked at.
    void select(bool narrow);
    const libraryCode_t* codeAt(int row) const;

    const TSiteLibrary* library_ = nullptr;
    QString filter_;
    std::vector<int> rows_;  // indexes into the library's codes, in the library's order
    std::vector<QString> folded_;  // the codes' names case-folded; empty until a search needs them
};
