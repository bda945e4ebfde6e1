#pragma once

#include "components/QtText.h"
#include "viewer/KeyMarkRules.h"
#include "viewer/MainFormUnit.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"

#include <QLabel>

namespace vireo {

// The main window's source window as message and key-mark navigation drive it. Message
// navigation loads units marking their key-marked lines; key-mark navigation loads them unmarked.
class MainSourcePane : public KeyMarkPane {
public:
    MainSourcePane(TForm_Main& form, bool markKeyMarks) : form_(form), markKeyMarks_(markKeyMarks) {}
    const std::string& CurrentUnitFile() const override { return form_.CurrentUnitFile; }
    int RowCount() const override { return form_.SourceRows->rowCount(); }
    void ClearUnit() override
    {
        form_.SourceRows->ClearRows(true);
        form_.CurrentUnitFile.clear();
    }
    void LoadUnitSource(const std::string& path, UnitLines lines) override
    {
        form_.LoadUnitSource(path, std::move(lines), markKeyMarks_);
    }
    void RevealSourceRow(int row) override { form_.RevealSourceRow(row, true); }
    void RevealSourceRow(int row, bool fromTop) override { form_.RevealSourceRow(row, fromTop); }
    void SetKeyMarkImage(int row) override { form_.SourceRows->SetKeyMarkImage(row, true); }
    void ShowMessage(const std::string& text) override { form_.ShowMessageBox(QtText(text)); }
    void SetStatusText(const std::string& text) override { form_.StatusPanel_Main->setText(QtText(text)); }

private:
    TForm_Main& form_;
    bool markKeyMarks_;
};

} // namespace vireo
