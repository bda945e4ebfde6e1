#include "ViewerWindowFixture.h"

#include "examiner/AddOn_MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

using namespace vireo;

namespace {

void WriteFile(const QString& path, const std::string& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// "&File" > "&Code Examiner" of the real main window: the dialog is answered and the examiner
// looked at through the window's hooks.
TEST(CodeExaminerHandOff, TheChosenFileIsExaminedAndAFileThatCannotBeOpenedIsReported)
{
    QTemporaryDir dir;
    ::setenv("VIREO_REGISTRY_DIR", dir.filePath("registry").toLocal8Bit().constData(), 1);
    TraceSession session(std::make_unique<vireo::test::FixedTimeConventions>("%d/%m/%Y"));
    TForm_Main form(session);
    const vireo::test::WindowParts ui(form);
    QStringList boxes;
    form.Dialogs.ShowMessageBox = [&](const QString& text) { boxes << text; };
    std::vector<ExaminerFileRequest> requests;
    QString answer;
    form.Dialogs.ChooseExaminerFile = [&](const ExaminerFileRequest& request) {
        requests.push_back(request);
        return answer;
    };
    std::vector<std::string> examined;
    form.Dialogs.ShowCodeExaminer = [&](TFrm_VireoAddOn& examiner) {
        EXPECT_EQ(examiner.parent(), &form);
        EXPECT_EQ(examiner.windowTitle(), "Code Examiner");
        examined.push_back(examiner.ComboBox_Units->currentText().toStdString());
    };
    form.show();

    ASSERT_EQ(ui.File1->actions().value(0), ui.CodeExaminer1);
    EXPECT_EQ(ui.CodeExaminer1->text(), "&Code Examiner");
    EXPECT_EQ(ui.CodeExaminer1->objectName(), "CodeExaminer1");

    ui.CodeExaminer1->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Select a Delphi Project/Unit to Examine");
    EXPECT_EQ(requests[0].filter, "Delphi Files (*.dpr *.pas *.lpr *.pp);;Delphi Project File (*.dpr *.lpr);;"
                                  "Delphi Pascal File (*.pas *.pp);;All Files (*)");
    EXPECT_EQ(requests[0].defaultSuffix, "pas");
    EXPECT_EQ(requests[0].folder, QDir::homePath().toStdString());
    EXPECT_TRUE(examined.empty()) << "Cancel does nothing";
    EXPECT_TRUE(boxes.isEmpty());

    const QString unit = dir.filePath("Unit1.pp");
    WriteFile(unit, "unit Unit1;\r\ninterface\r\nimplementation\r\nprocedure A;\r\nbegin\r\nend;\r\nend.\r\n");
    answer = unit;
    ui.CodeExaminer1->trigger();
    EXPECT_EQ(examined, std::vector<std::string> {unit.toStdString()});

    const QString binary = dir.filePath("Tool.pas");
    WriteFile(binary, std::string("MZ\0\0\x90", 5));
    for (const QString& bad : {dir.filePath("Gone.dpr"), binary}) {
        answer = bad;
        ui.CodeExaminer1->trigger();
    }
    EXPECT_EQ(examined.size(), 1u) << "the examiner does not open";
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0].contains(dir.filePath("Gone.dpr")) && boxes[0].contains("does not exist")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[1].contains(binary) && boxes[1].contains("not a text file")) << boxes[1].toStdString();
    EXPECT_TRUE(form.isVisible()) << "the viewer goes on";
    ::unsetenv("VIREO_REGISTRY_DIR");
}

} // namespace
