#include "viewer/MainFormUnit.h"

#include "viewer/MainFormTexts.h"
#include "viewer/MenuItems.h"
#include "viewer/MessageListModel.h"
#include "viewer/MessageLog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <system_error>

namespace vireo {

namespace {

QString AskForLogFile(QWidget* owner, bool save)
{
    QFileDialog dialog(owner, save ? QStringLiteral("Save Messages") : QStringLiteral("Open Messages"),
                       QDir::homePath(), QStringLiteral("Vireo message logs (*.jsonl);;All files (*)"));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("jsonl"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

std::optional<bool> AskWhichMessages(QWidget* owner, int listed, int all)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Save Messages"),
                    QStringLiteral("Save the %1 messages the list shows, or all %2 messages?").arg(listed).arg(all),
                    QMessageBox::NoButton, owner);
    box.setAccessibleName(box.windowTitle());
    QPushButton* listedButton = box.addButton(QStringLiteral("&Listed Messages"), QMessageBox::AcceptRole);
    QPushButton* allButton = box.addButton(QStringLiteral("&All Messages"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    for (QPushButton* button : {listedButton, allButton, cancel})
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    box.setDefaultButton(listedButton);
    box.exec();
    if (box.clickedButton() == listedButton)
        return true;
    if (box.clickedButton() == allButton)
        return false;
    return std::nullopt;
}

std::filesystem::path LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString ReasonText(const std::exception& error)
{
    if (const auto* system = dynamic_cast<const std::system_error*>(&error); system && system->code().value() == EFBIG)
        return QStringLiteral("The file is larger than %1 GiB, too large to be a message log.")
            .arg(kMaxMessageLogBytes >> 30);
    return QString::fromUtf8(error.what());
}

} // namespace

void TForm_Main::CreateLogCommands()
{
    // Before the separator that comes ahead of "&Close".
    QAction* separator = File1->actions().value(File1->actions().indexOf(Close1) - 1);
    SaveMessages1 = AddMenuItem(File1, separator, "SaveMessages1", QStringLiteral("&Save Messages..."), this,
                                &TForm_Main::SaveMessages1Click);
    OpenMessages1 = AddMenuItem(File1, separator, "OpenMessages1", QStringLiteral("&Open Messages..."), this,
                                &TForm_Main::OpenMessages1Click);
    ChooseLogFile = [this](bool save) { return AskForLogFile(this, save); };
    AskSaveListedOnly = [this](int listed, int all) { return AskWhichMessages(this, listed, all); };
}

void TForm_Main::SaveMessages1Click()
{
    const std::optional<bool> listedOnly = AskSaveListedOnly(MessageRows->RowTotal(), MessageStore->Count());
    if (!listedOnly)
        return;
    const QString path = ChooseLogFile(true);
    if (path.isEmpty())
        return;
    std::vector<int> indices;
    if (*listedOnly) {
        indices.reserve(static_cast<std::size_t>(MessageRows->RowTotal()));
        for (int row = 0; row < MessageRows->RowTotal(); ++row)
            indices.push_back(MessageRows->StoreIndex(row));
        std::sort(indices.begin(), indices.end()); // a log keeps the order of arrival
    } else {
        indices.resize(static_cast<std::size_t>(MessageStore->Count()));
        std::iota(indices.begin(), indices.end(), 0);
    }
    SetStatusText(QLatin1String(kStatusSavingMessages));
    try {
        SaveMessageLog(LocalPath(path), *MessageStore, indices);
    } catch (const std::exception& error) {
        ShowMessageBox(QStringLiteral("The messages were not saved. ") + ReasonText(error));
    }
    SetStatusText(QLatin1String(kStatusIdle));
}

void TForm_Main::OpenMessages1Click()
{
    const QString path = ChooseLogFile(false);
    if (!path.isEmpty())
        OpenMessageLogFile(path);
}

void TForm_Main::OpenMessageLogFile(const QString& path)
{
    SetStatusText(QLatin1String(kStatusOpeningMessages));
    try {
        const MessageLogReport report = OpenMessageLog(
            LocalPath(path), [this](TraceFields&& fields) { TakeIn(intake_->Take(std::move(fields))); });
        if (report.SkippedLines > 0)
            ShowMessageBox(QString::fromStdString(SkippedLinesText(report)));
    } catch (const std::exception& error) {
        // The messages read before the failure stay, as if they had arrived.
        ShowMessageBox(QStringLiteral("Opening the message log failed: ") + ReasonText(error));
    }
    SetStatusText(QLatin1String(kStatusIdle));
}

} // namespace vireo
