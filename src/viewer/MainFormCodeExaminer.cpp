#include "viewer/MainFormUnit.h"

#include "examiner/AddOn_MainForm.h"
#include "examiner/LanManShares.h"
#include "viewer/MenuItems.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace vireo {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString AskForExaminerFile(QWidget* owner, const ExaminerFileRequest& request)
{
    const QString filter = Text(request.filter);
    QFileDialog dialog(owner, Text(request.title), Text(request.folder), filter);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(Text(request.defaultSuffix));
    dialog.selectNameFilter(filter.section(QStringLiteral(";;"), 0, 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

} // namespace

void TForm_Main::CreateCodeExaminerCommand()
{
    CodeExaminer1 = AddMenuItem(File1, nullptr, "CodeExaminer1", QStringLiteral("&Code Examiner"), this,
                                &TForm_Main::CodeExaminer1Click);
    ChooseExaminerFile = [this](const ExaminerFileRequest& request) { return AskForExaminerFile(this, request); };
    ShowCodeExaminer = [](TFrm_VireoAddOn& examiner) { examiner.exec(); };
}

void TForm_Main::CodeExaminer1Click()
{
    const QString path = ChooseExaminerFile(CodeExaminerFileRequest(QDir::homePath().toStdString()));
    if (path.isEmpty())
        return;
    TFrm_VireoAddOn examiner(this, QFile::encodeName(path).toStdString(), ReadLanManShares);
    try {
        examiner.FormCreate();
    } catch (const ExaminerError& error) {
        ShowMessageBox(QString::fromUtf8(error.what()));
        return;
    }
    ShowCodeExaminer(examiner);
}

} // namespace vireo
