#include "ViewerWindowFixture.h"

#include "viewer/panes/FilterPresetsMenu.h"
#include "viewer/panes/HighlightRulesForm.h"

#include <QBrush>
#include <QListWidget>

namespace vireo::test {

TEST_F(ViewerWindow, HighlightRulesFromTheMenuColourRowsAndAPresetBringsBackFilterAndRules)
{
    const auto postThree = [this] {
        for (const char* text : {"disk full", "ok", "disk ok"})
            Post(Msg().Text(text));
    };
    postThree();
    QAction* rulesItem = ui->Find<QAction>("HighlightRules1");
    const QList<QAction*> options = ui->MessageOptions1->actions();
    ASSERT_GE(options.indexOf(rulesItem), 1);
    EXPECT_TRUE(options.value(options.indexOf(rulesItem) - 1)->isSeparator());
    EXPECT_EQ(rulesItem->text(), "&Highlight Rules...");

    bool removeRule = false;
    form->Dialogs.ChooseColor = [](const QColor&, const QString& title) -> std::optional<QColor> {
        EXPECT_EQ(title, "Foreground Colour");
        return QColor(Qt::red);
    };
    form->Dialogs.ShowHighlightRulesDialog = [&](TForm_HighlightRules& dialog) {
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Highlight Rules");
        for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            EXPECT_EQ(button->accessibleName(), button->text().remove('&'));
        if (removeRule)
            QTest::mouseClick(dialog.Button_Remove, Qt::LeftButton);
        else {
            QTest::mouseClick(dialog.Button_Add, Qt::LeftButton);
            QTest::keyClicks(dialog.Edit_Pattern, QStringLiteral("disk"));
            QTest::mouseClick(dialog.Button_ForegroundColour, Qt::LeftButton);
            EXPECT_EQ(dialog.ListBox_Rules->item(0)->text(), "Message contains \"disk\"");
        }
        QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
        return dialog.result();
    };
    const auto colouredRows = [this] {
        Settle();
        std::vector<std::string> described;
        for (int row = 0; row < ui->MessageRows->rowCount(); ++row) {
            const QModelIndex cell = ui->MessageRows->index(row, 1);
            if (cell.data(Qt::ForegroundRole).value<QBrush>().color() == QColor(Qt::red))
                described.push_back(cell.data(Qt::AccessibleDescriptionRole).toString().toStdString());
        }
        return described;
    };
    rulesItem->trigger();
    const std::string description = "Highlighted: Message contains \"disk\"";
    EXPECT_EQ(colouredRows(), (Texts{description, description}));

    auto* field = form->findChild<QLineEdit*>(QStringLiteral("Edit_QuickFilter"));
    QTest::keyClicks(field, QStringLiteral("full"));
    form->Dialogs.AskPresetName = [] { return std::optional<QString>(QStringLiteral("Disks")); };
    int asked = 0;
    form->Dialogs.ConfirmReplacePreset = [&asked](const QString&) { return ++asked, false; };
    QAction* save = ui->Find<QAction>("SavePreset1");
    save->trigger();
    field->setText(QStringLiteral("not a preset"));
    save->trigger();
    EXPECT_EQ(asked, 1) << "the same name again asks, and No keeps the preset";

    removeRule = true;
    rulesItem->trigger();
    field->clear();
    EXPECT_EQ(colouredRows(), Texts{});

    Reopen(); // presets are stored at once, and the rules with the settings
    postThree();
    EXPECT_EQ(colouredRows(), Texts{});
    QAction* preset = form->findChild<QAction*>(QStringLiteral("Preset1"));
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->text(), "Disks");
    preset->trigger();
    EXPECT_EQ(form->findChild<QLineEdit*>(QStringLiteral("Edit_QuickFilter"))->text(), "full");
    EXPECT_EQ(Column(1), Texts{"disk full"});
    EXPECT_EQ(colouredRows(), Texts{description});
}

} // namespace vireo::test
