#include "examiner/ExaminerWidgets.h"

namespace vireo {

QPushButton* CaptionedButton(QWidget* parent, const QString& caption, const QString& name)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return button;
}

} // namespace vireo
