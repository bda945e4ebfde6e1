#include "viewer/panes/AutomationWarningBox.h"

#include <QMessageBox>

namespace vireo {

bool AutomationWarningBox::ConfirmClose()
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(AutomationWarning::Caption),
                    QString::fromLatin1(AutomationWarning::Text), QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAccessibleName(QString::fromLatin1(AutomationWarning::Caption));
    return box.exec() == QMessageBox::Yes;
}

} // namespace vireo
