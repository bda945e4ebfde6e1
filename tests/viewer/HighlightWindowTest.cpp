#include "ViewerWindowFixture.h"

#include "viewer/panes/FilterPresetsMenu.h"
#include "viewer/panes/HighlightRulesForm.h"

#include <QBrush>
#include <QComboBox>
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
    int askedToReplace = 0;
    const auto answerDialogs = [&] {
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
        form->Dialogs.AskPresetName = [] { return std::optional<QString>(QStringLiteral("Disks")); };
        form->Dialogs.ConfirmReplacePreset = [&](const QString&) { return ++askedToReplace, false; };
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
    const auto field = [this] { return form->findChild<QLineEdit*>(QStringLiteral("Edit_QuickFilter")); };
    answerDialogs();
    rulesItem->trigger();
    const std::string description = "Highlighted: Message contains \"disk\"";
    EXPECT_EQ(colouredRows(), (Texts{description, description}));

    QTest::keyClicks(field(), QStringLiteral("full"));
    ui->Find<QAction>("SavePreset1")->trigger();
    field()->setText(QStringLiteral("not a preset"));
    ui->Find<QAction>("SavePreset1")->trigger();
    EXPECT_EQ(askedToReplace, 1) << "the same name again asks, and No keeps the preset";

    Reopen(); // the rules are kept with the settings, presets at once
    answerDialogs();
    postThree();
    field()->clear();
    EXPECT_EQ(colouredRows(), (Texts{description, description}));
    removeRule = true;
    ui->Find<QAction>("HighlightRules1")->trigger();
    EXPECT_EQ(colouredRows(), Texts{});

    QAction* preset = ui->Find<QAction>("Preset1");
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->text(), "Disks");
    preset->trigger();
    EXPECT_EQ(field()->text(), "full");
    EXPECT_EQ(Column(1), Texts{"disk full"});
    EXPECT_EQ(colouredRows(), Texts{description});
}

TEST(HighlightRulesDialog, EditsACopyInOrderFromTheKeyboardAndSaysWhyARuleCannotMatch)
{
    HighlightRule alpha;
    alpha.Pattern = QStringLiteral("alpha");
    alpha.Background = 0xff00ff00u;
    HighlightRule beta = alpha;
    beta.Pattern = QStringLiteral("beta");
    beta.Enabled = false;
    ViewerDialogs dialogs;
    TForm_HighlightRules dialog({alpha, beta}, dialogs, nullptr);
    dialog.show();
    QListWidget* list = dialog.ListBox_Rules;
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(dialog.focusWidget(), list) << "the rules have the focus first";
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(dialog.Rules()[1].Enabled) << "Space checks the rule";
    QTest::mouseClick(dialog.Button_MoveUp, Qt::LeftButton);
    EXPECT_EQ(dialog.Rules()[0].Pattern, "beta");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_FALSE(dialog.Button_MoveUp->isEnabled());

    dialog.ComboBox_Target->setCurrentIndex(2);
    dialog.ComboBox_Type->setCurrentIndex(3);
    EXPECT_FALSE(dialog.Edit_Pattern->isEnabled());
    EXPECT_EQ(list->item(0)->text(), "Type is Error");
    EXPECT_EQ(dialog.Rules()[0].Type, 3);

    list->setCurrentRow(1);
    EXPECT_EQ(dialog.Edit_Pattern->text(), "alpha");
    QTest::mouseClick(dialog.CheckBox_RegularExpression, Qt::LeftButton, {},
                      QPoint(4, dialog.CheckBox_RegularExpression->height() / 2));
    QTest::keyClicks(dialog.Edit_Pattern, QStringLiteral("("));
    EXPECT_TRUE(dialog.Label_Problem->text().startsWith("The expression is not valid: "));
    EXPECT_EQ(dialog.Rules()[1].Pattern, "alpha(");
    dialog.CheckBox_Background->setChecked(false);
    EXPECT_FALSE(dialog.Rules()[1].Background);
    QTest::mouseClick(dialog.Button_Remove, Qt::LeftButton);
    ASSERT_EQ(dialog.Rules().size(), 1u);
    EXPECT_EQ(dialog.Rules()[0].Target, HighlightTarget::MessageType);
}

} // namespace vireo::test
