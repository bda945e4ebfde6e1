#include "examiner/ReviewForm.h"

#include "examiner/AddOnRules.h"
#include "examiner/ExaminerWidgets.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireo {

TForm_Review::TForm_Review(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_Review"));
    setWindowTitle(QStringLiteral("Review Unit"));
    setAccessibleName(windowTitle());

    RichEdit_FileName = new QPlainTextEdit(this);
    RichEdit_FileName->setObjectName(QStringLiteral("RichEdit_FileName"));
    RichEdit_FileName->setAccessibleName(QStringLiteral("Unit text"));
    RichEdit_FileName->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit_FileName->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_FileName->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Button1 = CaptionedButton(this, QStringLiteral("&Close"), QStringLiteral("Button1"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit_FileName);
    layout->addLayout(buttons);
    resize(800, 600);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm_Review::LoadLines(const std::vector<std::string>& lines, const ExaminerProgress& progress)
{
    QStringList text;
    text.reserve(qsizetype(lines.size()));
    CopyLinesWithProgress(lines, progress, [&text](const std::string& line) { text.append(QString::fromStdString(line)); });
    RichEdit_FileName->setPlainText(text.join(QLatin1Char('\n')));
}

} // namespace vireo
