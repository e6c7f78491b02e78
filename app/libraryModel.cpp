#include "app/libraryModel.h"

#include "library/siteLibrary.h"

namespace {

enum TColumn { nameColumn, kindColumn, protocolColumn, dateColumn, columnCount };

}  // namespace

TLibraryCodesModel::TLibraryCodesModel(QObject* parent) : QAbstractTableModel(parent) { }

void TLibraryCodesModel::setLibrary(const TSiteLibrary* library)
{
    library_ = library;
    refresh();
}

void TLibraryCodesModel::refresh()
{
    folded_.clear();
    beginResetModel();
    select(false);
    endResetModel();
}

void TLibraryCodesModel::setFilter(const QString& text)
{
    if (text == filter_)
        return;
    // Typing on narrows the list: only the codes listed now can still match.
    const QString before = filter_.trimmed().toCaseFolded();
    filter_ = text;
    const QString now = filter_.trimmed().toCaseFolded();
    beginResetModel();
    select(!before.isEmpty() && now.contains(before));
    endResetModel();
}

void TLibraryCodesModel::select(bool narrow)
{
    if (!library_) {
        rows_.clear();
        return;
    }
    const auto& codes = library_->codes();
    const QString wanted = filter_.trimmed().toCaseFolded();
    if (wanted.isEmpty()) {
        rows_.resize(codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            rows_[i] = int(i);
        return;
    }
    // The names folded once (as a search without regard to case folds them), then searched
    // as they are.
    if (folded_.size() != codes.size()) {
        folded_.clear();
        folded_.reserve(codes.size());
        for (const libraryCode_t& code : codes)
            folded_.push_back(code.name.toCaseFolded());
    }
    std::vector<int> from;
    if (narrow) {
        from.swap(rows_);
    } else {
        from.resize(codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            from[i] = int(i);
    }
    rows_.clear();
    for (int i : from)
        if (folded_[size_t(i)].contains(wanted))
            rows_.push_back(i);
}

const libraryCode_t* TLibraryCodesModel::codeAt(int row) const
{
    // Rows stand for the codes as last listed: one changed since without a refresh is no row.
    if (!library_ || row < 0 || size_t(row) >= rows_.size() || size_t(rows_[size_t(row)]) >= library_->codes().size())
        return nullptr;
    return &library_->codes()[size_t(rows_[size_t(row)])];
}

QString TLibraryCodesModel::nameAt(int row) const
{
    const libraryCode_t* code = codeAt(row);
    return code ? code->name : QString();
}

int TLibraryCodesModel::rowOf(const QString& name) const
{
    for (size_t row = 0; row < rows_.size(); ++row)
        if (const libraryCode_t* code = codeAt(int(row)); code && code->name.compare(name, Qt::CaseInsensitive) == 0)
            return int(row);
    return -1;
}

int TLibraryCodesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int TLibraryCodesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TColumn::columnCount;
}

QVariant TLibraryCodesModel::data(const QModelIndex& index, int role) const
{
    const libraryCode_t* listed = index.isValid() ? codeAt(index.row()) : nullptr;
    if (role != Qt::DisplayRole || !listed)
        return {};
    const libraryCode_t& code = *listed;
    switch (index.column()) {
    case nameColumn:
        return code.name;
    case kindColumn:
        return code.kind == TCodeKind::ir ? QStringLiteral("IR") : QStringLiteral("RF");
    case protocolColumn:
        return code.protocol ? code.protocol->name : QString();
    case dateColumn:
        return code.learnedAt.isValid() ? code.learnedAt.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"))
                                        : QString();
    default:
        return {};
    }
}

QVariant TLibraryCodesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case nameColumn:
        return QStringLiteral("Nome");
    case kindColumn:
        return QStringLiteral("Tipo");
    case protocolColumn:
        return QStringLiteral("Protocolo");
    case dateColumn:
        return QStringLiteral("Data");
    default:
        return {};
    }
}
