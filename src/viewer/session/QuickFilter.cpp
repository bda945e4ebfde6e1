#include "viewer/session/QuickFilter.h"

#include "viewer/session/MessageColumns.h"

#include <stdexcept>

namespace vireo {

QuickFilter::QuickFilter(const QuickFilterSettings& settings, ShownColumns columns) : columns_(std::move(columns))
{
    // The time columns are left out: which rows are listed decides their texts.
    std::erase_if(columns_.Columns, [](int column) { return column >= kMessageColumnCount; });
    QString text = settings.Text;
    exclude_ = settings.Exclude;
    if (text.startsWith(QLatin1Char('-'))) {
        text.remove(0, 1);
        exclude_ = true;
    }
    active_ = !text.isEmpty();
    if (!active_)
        return;
    try {
        matcher_.emplace(text, settings.RegularExpression, settings.MatchCase);
    } catch (const std::invalid_argument& error) {
        error_ = QString::fromUtf8(error.what());
    }
}

bool QuickFilter::Admits(const TTraceInfo& message) const
{
    if (!active_)
        return true;
    if (!matcher_)
        return false; // an expression being typed lists nothing new until it is whole
    return matcher_->Matches(message, columns_) != exclude_;
}

void QuickFilter::Forget()
{
    if (matcher_)
        matcher_->Forget();
}

} // namespace vireo
