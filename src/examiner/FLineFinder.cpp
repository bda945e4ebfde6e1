#include "examiner/FLineFinder.h"

#include "examiner/AddOnRules.h"
#include "examiner/ExaminerWidgets.h"
#include "examiner/LineFinderRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vireo {

namespace {

// A bold navy number label.
QLabel* NumberLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: navy"));
    return label;
}

// The speed button's picture: an arrow pointing at a line.
QIcon GoToLineGlyph()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawPolygon(QPolygon({QPoint(2, 3), QPoint(9, 8), QPoint(2, 13)}));
    painter.drawRect(10, 7, 5, 2);
    return QIcon(picture);
}

} // namespace

TForm_LineFinder::TForm_LineFinder(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_LineFinder"));
    setWindowTitle(QStringLiteral("Line Finder"));
    setAccessibleName(windowTitle());

    auto* lineNumCaption = new QLabel(QStringLiteral("Line Number :"), this);
    Label_LineNum = NumberLabel(this, QStringLiteral("Label_LineNum"));
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(GoToLineGlyph());
    SpeedButton1->setToolTip(QStringLiteral("Select the line again"));
    SpeedButton1->setAccessibleName(QStringLiteral("Select the line again"));
    auto* currentCaption = new QLabel(QStringLiteral("Current Line :"), this);
    Label_CurrentLine = NumberLabel(this, QStringLiteral("Label_CurrentLine"));

    ListBox_UnitFile = new QListWidget(this);
    ListBox_UnitFile->setObjectName(QStringLiteral("ListBox_UnitFile"));
    ListBox_UnitFile->setAccessibleName(QStringLiteral("Unit File"));
    ListBox_UnitFile->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_UnitFile->setUniformItemSizes(true);

    Button1 = CaptionedButton(this, QStringLiteral("&Close"), QStringLiteral("Button1"));

    auto* top = new QHBoxLayout;
    top->addWidget(lineNumCaption);
    top->addWidget(Label_LineNum);
    top->addWidget(SpeedButton1);
    top->addSpacing(20);
    top->addWidget(currentCaption);
    top->addWidget(Label_CurrentLine);
    top->addStretch();
    top->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ListBox_UnitFile);
    resize(700, 500);

    connect(ListBox_UnitFile, &QListWidget::currentRowChanged, this, &TForm_LineFinder::ListBox_UnitFileClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm_LineFinder::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm_LineFinder::LoadLines(const std::vector<std::string>& lines, const ExaminerProgress& progress)
{
    ListBox_UnitFile->clear();
    CopyLinesWithProgress(lines, progress, [this](const std::string& line) {
        ListBox_UnitFile->addItem(QString::fromStdString(line));
    });
}

void TForm_LineFinder::ShowLine(int line)
{
    const LineFinderRows rows = RowsForLine(line, ListBox_UnitFile->count());
    ListBox_UnitFile->setCurrentRow(rows.scrollRow);
    ListBox_UnitFile->setCurrentRow(rows.lineRow);
    Label_LineNum->setText(QString::number(line));
    Label_CurrentLine->setText(QString::number(line));
}

void TForm_LineFinder::ListBox_UnitFileClick()
{
    Label_CurrentLine->setText(QString::number(ListBox_UnitFile->currentRow() + 1));
}

void TForm_LineFinder::SpeedButton1Click()
{
    ListBox_UnitFile->setCurrentRow(RowsForLine(Label_LineNum->text().toInt(), ListBox_UnitFile->count()).lineRow);
    ListBox_UnitFileClick();
}

} // namespace vireo
