#pragma once

#include <QAbstractItemModelTester>

#include <memory>

namespace vireo::test {

// Qt's checker of the item-model contract over a model for as long as it lives; a breach ends the
// test program at once, naming the rule that was broken.
inline std::unique_ptr<QAbstractItemModelTester> CheckModelContract(QAbstractItemModel* model)
{
    return std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
}

} // namespace vireo::test
