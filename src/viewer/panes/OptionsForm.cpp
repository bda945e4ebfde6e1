#include "viewer/panes/OptionsForm.h"

#include "examiner/ExaminerWidgets.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace vireo {

namespace {

QFrame* Bevel(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

TForm_Options::TForm_Options(const ViewerOptions& options, const OtlpOptions& receiver, QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_Options"));
    setWindowTitle(QStringLiteral("Vireo Options"));
    setAccessibleName(windowTitle());
    setModal(true);
    CheckBox_ExpandMessages = AddCheckBox("CheckBox_ExpandMessages", "Expand All Message Nodes On Startup",
                                          options.ExpandMessages);
    CheckBox_ExpandFilters = AddCheckBox("CheckBox_ExpandFilters", "Expand All Filters On Startup",
                                         options.ExpandFilters);
    CheckBox_ShowLineNumbers = AddCheckBox("CheckBox_ShowLineNumbers", "Show Line Numbers in Code Window",
                                           options.ShowLineNums);
    CheckBox_ShowMilliseconds = AddCheckBox("CheckBox_ShowMilliseconds", "Show Milliseconds in Time Column",
                                            options.ShowMilliseconds);
    CheckBox_SaveKeys = AddCheckBox("CheckBox_SaveKeys", "Save User Key Marks", options.SaveUserKeyMarks);
    CheckBox_SaveTracking = AddCheckBox("CheckBox_SaveTracking", "Save Message Tracking (Expert Mode)",
                                        options.SaveMessageTracking);
    SpinEdit_HistoryLimit = AddBound("SpinEdit_HistoryLimit", QStringLiteral(" messages"), options.History.MaxMessages);
    SpinEdit_HistoryMegabytes =
        AddBound("SpinEdit_HistoryMegabytes", QStringLiteral(" MB"), options.History.MaxMegabytes);
    SpinEdit_HistoryMegabytes->setSingleStep(64);
    CreateReceiverFields(receiver);
    Button_Ok = CaptionedButton(this, QStringLiteral("&Ok"), QStringLiteral("Button_Ok"));
    Button_Ok->setDefault(true);
    Button_Cancel = CaptionedButton(this, QStringLiteral("&Cancel"), QStringLiteral("Button_Cancel"));
    connect(Button_Ok, &QPushButton::clicked, this, &TForm_Options::AcceptIfValid);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CheckBox_ExpandMessages);
    layout->addWidget(CheckBox_ExpandFilters);
    layout->addWidget(Bevel(this));
    layout->addWidget(CheckBox_ShowLineNumbers);
    layout->addWidget(CheckBox_ShowMilliseconds);
    layout->addWidget(Bevel(this));
    layout->addWidget(CheckBox_SaveKeys);
    layout->addWidget(CheckBox_SaveTracking);
    layout->addWidget(Bevel(this));
    auto* bounds = new QFormLayout;
    const auto addBound = [&](const QString& caption, const QString& accessibleName, QSpinBox* box) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        box->setAccessibleName(accessibleName);
        bounds->addRow(label, box);
    };
    addBound(QStringLiteral("&Keep at most"), QStringLiteral("Keep at most messages"), SpinEdit_HistoryLimit);
    addBound(QStringLiteral("Memory &limit"), QStringLiteral("Memory limit"), SpinEdit_HistoryMegabytes);
    layout->addLayout(bounds);
    layout->addWidget(Bevel(this));
    layout->addWidget(CheckBox_OtlpReceiver);
    auto* receiverFields = new QFormLayout;
    const auto addField = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        receiverFields->addRow(label, field);
    };
    addField(QStringLiteral("A&ddress"), Edit_OtlpAddress);
    addField(QStringLiteral("P&ort"), SpinEdit_OtlpPort);
    addField(QStringLiteral("To&ken"), Edit_OtlpToken);
    layout->addLayout(receiverFields);
    auto* note = new QLabel(QStringLiteral("The receiver starts with the viewer: changes count from the next start."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(Label_OtlpProblem);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border

    setTabOrder(CheckBox_ShowLineNumbers, CheckBox_ShowMilliseconds);
    setTabOrder(CheckBox_ShowMilliseconds, CheckBox_ExpandMessages);
    setTabOrder(CheckBox_ExpandMessages, CheckBox_ExpandFilters);
    setTabOrder(CheckBox_ExpandFilters, CheckBox_SaveKeys);
    setTabOrder(CheckBox_SaveKeys, CheckBox_SaveTracking);
    setTabOrder(CheckBox_SaveTracking, SpinEdit_HistoryLimit);
    setTabOrder(SpinEdit_HistoryLimit, SpinEdit_HistoryMegabytes);
    setTabOrder(SpinEdit_HistoryMegabytes, CheckBox_OtlpReceiver);
    setTabOrder(CheckBox_OtlpReceiver, Edit_OtlpAddress);
    setTabOrder(Edit_OtlpAddress, SpinEdit_OtlpPort);
    setTabOrder(SpinEdit_OtlpPort, Edit_OtlpToken);
    setTabOrder(Edit_OtlpToken, Button_Ok);
    setTabOrder(Button_Ok, Button_Cancel);
    CheckBox_ShowLineNumbers->setFocus();
}

void TForm_Options::CreateReceiverFields(const OtlpOptions& receiver)
{
    CheckBox_OtlpReceiver = AddCheckBox("CheckBox_OtlpReceiver", "&Receive OpenTelemetry Logs (OTLP/HTTP)",
                                        receiver.Enabled);
    Edit_OtlpAddress = new QLineEdit(receiver.Address, this);
    Edit_OtlpAddress->setObjectName(QStringLiteral("Edit_OtlpAddress"));
    SpinEdit_OtlpPort = new QSpinBox(this);
    SpinEdit_OtlpPort->setObjectName(QStringLiteral("SpinEdit_OtlpPort"));
    SpinEdit_OtlpPort->setRange(1, 65535);
    SpinEdit_OtlpPort->setValue(receiver.Port);
    Edit_OtlpToken = new QLineEdit(receiver.Token, this);
    Edit_OtlpToken->setObjectName(QStringLiteral("Edit_OtlpToken"));
    Edit_OtlpToken->setReadOnly(true); // to be copied into senders' settings
    Edit_OtlpToken->setMinimumWidth(Edit_OtlpToken->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 66);
    Label_OtlpProblem = new QLabel(this);
    Label_OtlpProblem->setObjectName(QStringLiteral("Label_OtlpProblem"));
    Label_OtlpProblem->hide();
    // An address off loopback gets its token at once, so it can be copied before OK.
    connect(Edit_OtlpAddress, &QLineEdit::textChanged, this,
            [this] { Edit_OtlpToken->setText(WithTokenWhereNeeded(Receiver()).Token); });
}

void TForm_Options::AcceptIfValid()
{
    const QString problem = OtlpOptionsProblem(Receiver());
    Label_OtlpProblem->setText(problem);
    Label_OtlpProblem->setAccessibleName(problem);
    Label_OtlpProblem->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        accept();
    else
        Edit_OtlpAddress->setFocus();
}

OtlpOptions TForm_Options::Receiver() const
{
    return WithTokenWhereNeeded({CheckBox_OtlpReceiver->isChecked(), Edit_OtlpAddress->text().trimmed(),
                                 static_cast<uint16_t>(SpinEdit_OtlpPort->value()), Edit_OtlpToken->text()});
}

QCheckBox* TForm_Options::AddCheckBox(const char* name, const char* caption, bool checked)
{
    auto* box = new QCheckBox(QString::fromLatin1(caption), this);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(box->text());
    box->setChecked(checked);
    return box;
}

QSpinBox* TForm_Options::AddBound(const char* name, const QString& suffix, int value)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, std::numeric_limits<int>::max());
    box->setSingleStep(100'000);
    box->setSuffix(suffix);
    box->setSpecialValueText(QStringLiteral("no limit")); // shown for 0
    box->setValue(value);
    return box;
}

ViewerOptions TForm_Options::Options() const
{
    return {CheckBox_ShowLineNumbers->isChecked(), CheckBox_ExpandMessages->isChecked(),
            CheckBox_ExpandFilters->isChecked(), CheckBox_SaveKeys->isChecked(),
            CheckBox_SaveTracking->isChecked(), CheckBox_ShowMilliseconds->isChecked(),
            {SpinEdit_HistoryLimit->value(), SpinEdit_HistoryMegabytes->value()}};
}

} // namespace vireo
