#include "viewer/panes/NewMessageTrack.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vireo {

namespace {

const QString kCaption = QStringLiteral("Add New Message Track");

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessible);
    button->setAutoDefault(false); // neither button answers the Enter key
    return button;
}

} // namespace

TForm_NewMessageTrack::TForm_NewMessageTrack(const TTrackList& tracks, QWidget* parent)
    : QDialog(parent, Qt::Tool), tracks_(tracks)
{
    setObjectName(QStringLiteral("Form_NewMessageTrack"));
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);
    setModal(true);
    ShowMessageBox = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Information"), text);
    };

    auto* prompt = new QLabel(QStringLiteral("Enter Message to Track for :"), this);
    prompt->setAccessibleName(prompt->text());
    Edit_Message = new QLineEdit(this);
    Edit_Message->setObjectName(QStringLiteral("Edit_Message"));
    Edit_Message->setAccessibleName(prompt->text());
    prompt->setBuddy(Edit_Message);

    auto* options = new QGroupBox(QStringLiteral("Message Track Options (All options are not case sensitive)"), this);
    options->setAccessibleName(options->title());
    auto* optionsLayout = new QVBoxLayout(options);
    CheckBox_Exact = AddCheckBox("CheckBox_Exact", QStringLiteral("Exact Match"));
    CheckBox_StartWith = AddCheckBox("CheckBox_StartWith", QStringLiteral("Starting With Match"));
    CheckBox_Containing = AddCheckBox("CheckBox_Containing", QStringLiteral("Containing Match"));
    for (QCheckBox* box : {CheckBox_Exact, CheckBox_StartWith, CheckBox_Containing}) {
        box->setParent(options);
        optionsLayout->addWidget(box);
    }

    Button_Ok = AddButton(this, "Button_Ok", QStringLiteral("&Ok"), QStringLiteral("Ok"));
    Button_Ok->setEnabled(false);
    Button_Cancel = AddButton(this, "Button_Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel"));
    connect(Button_Ok, &QPushButton::clicked, this, &TForm_NewMessageTrack::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(Edit_Message);
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    CentreOnScreen();
}

void TForm_NewMessageTrack::CentreOnScreen()
{
    adjustSize();
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

QCheckBox* TForm_NewMessageTrack::AddCheckBox(const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(caption);
    connect(box, &QCheckBox::clicked, this, &TForm_NewMessageTrack::CheckBox_ExactClick);
    return box;
}

void TForm_NewMessageTrack::CheckBox_ExactClick()
{
    Button_Ok->setEnabled(CheckBox_Exact->isChecked() || CheckBox_StartWith->isChecked()
                          || CheckBox_Containing->isChecked());
}

void TForm_NewMessageTrack::Button_OkClick()
{
    const NewTrackDecision decision =
        DecideNewTracks(tracks_, Edit_Message->text().toStdString(),
                        {CheckBox_Exact->isChecked(), CheckBox_StartWith->isChecked(),
                         CheckBox_Containing->isChecked()});
    for (const TTrackKind kind : kTrackKinds)
        if (decision.Refused[kind])
            ShowMessageBox(QString::fromLatin1(TrackRefusalText(kind)));
    AddExact = decision.Add[tkExact];
    AddStartWith = decision.Add[tkStartWith];
    AddContaining = decision.Add[tkContaining];
    accept();
}

} // namespace vireo
