// TForm_Main's options, layout and settings: the options dialog, the View toggles and their
// popup twins, the About box, and loading and saving everything the window keeps between runs.

#include "viewer/MainFormUnit.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"
#include "settings/WindowPlacementWidgets.h"
#include "viewer/About.h"
#include "viewer/CaptionPanel.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MenuItems.h"
#include "viewer/MessageListModel.h"
#include "viewer/OptionsForm.h"
#include "viewer/SourceLinesModel.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <numeric>

namespace vireo {

namespace {

QAction* AddCheckItem(QMenu* menu, QAction* before, const char* name, const char* caption)
{
    auto* item = new QAction(QString::fromLatin1(caption), menu);
    item->setObjectName(QString::fromLatin1(name));
    item->setCheckable(true);
    item->setChecked(true);
    menu->insertAction(before, item);
    return item;
}


} // namespace

void TForm_Main::CreateSettingsMenus()
{
    Options1 = new QAction(QStringLiteral("&Options"), File1);
    Options1->setObjectName(QStringLiteral("Options1"));
    connect(Options1, &QAction::triggered, this, &TForm_Main::MainMenu_OptionsClick);
    File1->insertAction(Close1, Options1);
    File1->insertSeparator(Close1);

    MessageFilterTree1 = AddCheckItem(View1, ExpertMode1, "MessageFilterTree1", "Message/Filter &Tree");
    MessagesWindow1 = AddCheckItem(View1, ExpertMode1, "MessagesWindow1", "&Messages Window");
    SourceWindow1 = AddCheckItem(View1, ExpertMode1, "SourceWindow1", "&Source Window");
    View1->insertSeparator(ExpertMode1);
    connect(MessageFilterTree1, &QAction::triggered, this, &TForm_Main::MessageFilterTree1Click);
    connect(MessagesWindow1, &QAction::triggered, this, &TForm_Main::MessagesWindow1Click);
    connect(SourceWindow1, &QAction::triggered, this, &TForm_Main::SourceWindow1Click);

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Help1->setAccessibleName(QStringLiteral("Help"));
    About1 = AddMenuItem(Help1, nullptr, "About1", QStringLiteral("&About"), this, &TForm_Main::About1Click);
    CreateShowWindowMenu();

    ShowOptionsDialog = [](TForm_Options& dialog) { return dialog.exec(); };
    ShowAboutBox = [](TForm_About& box) { box.exec(); };
    connect(Splitter_Main_Vert, &QSplitter::splitterMoved, this, &TForm_Main::Splitter_Main_VertMoved);
    // A desktop session that ends may kill the program without destroying the window.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveSettings(); });
}

void TForm_Main::CreateShowWindowMenu()
{
    PopupMenu_ShowWindow = new QMenu(Panel_Main_Client_2);
    PopupMenu_ShowWindow->setObjectName(QStringLiteral("PopupMenu_ShowWindow"));
    PopupMenu_ShowWindow->setAccessibleName(QStringLiteral("Show window menu"));
    MessageFilterTree2 = AddCheckItem(PopupMenu_ShowWindow, nullptr, "MessageFilterTree2", "Message/Filter &Tree");
    MessagesWindow2 = AddCheckItem(PopupMenu_ShowWindow, nullptr, "MessagesWindow2", "&Messages Window");
    SourceWindow2 = AddCheckItem(PopupMenu_ShowWindow, nullptr, "SourceWindow2", "&Source Window");
    connect(MessageFilterTree2, &QAction::triggered, this, &TForm_Main::MessageFilterTree2Click);
    connect(MessagesWindow2, &QAction::triggered, this, &TForm_Main::MessagesWindow2Click);
    connect(SourceWindow2, &QAction::triggered, this, &TForm_Main::SourceWindow2Click);
    Panel_Main_Client_2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Panel_Main_Client_2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu_ShowWindow->popup(Panel_Main_Client_2->mapToGlobal(at));
    });
}

void TForm_Main::LoadSettings()
{
    HiveBatch batch(RegRoot::LocalMachine);
    SettingProblems problems;
    try {
        RestoreWindowPlacement(*this, kPlacementKey, kMainWindowName, false);
        RestoreColumnWidths(*ListViewEx_Messages, kPlacementKey, kMessagesListName);
        RestoreColumnWidths(*ListView_Source, kPlacementKey, kSourceListName);
        RestoreColumnWidths(*ListViewEx_KeyMarks, kPlacementKey, kKeyMarksListName);
    } catch (const ERegistryException& error) {
        problems.emplace_back(error.what()); // a width that cannot be read: the designed widths stay
    }
    Options = ReadViewerOptions(problems);
    ApplyStartupOptions();
    const ViewState view = ReadViewState(problems);
    ApplyViewSetting(MessageFilterTree1, view.MessageFilterTree);
    ApplyViewSetting(MessagesWindow1, view.MessageWindow);
    ApplyViewSetting(SourceWindow1, view.SourceWindow);
    ApplyViewSetting(ExpertMode1, view.ExpertMode);
    LoadKeyMarks();
    LoadMessageTracks();
    if (batch.Commit() != RegStatus::Ok)
        ReportSettingsNotSaved(QStringLiteral("the settings folder cannot be written"));
    // The first unreadable value is shown once the window is up; every readable one applied.
    if (!problems.empty()) {
        const QString text = QString::fromStdString(problems.front());
        QMetaObject::invokeMethod(this, [this, text] { ShowMessageBox(text); }, Qt::QueuedConnection);
    }
}

void TForm_Main::ApplyStartupOptions()
{
    MessageRows->SetShowMilliseconds(Options.ShowMilliseconds);
    if (!Options.ShowLineNums)
        SourceRows->SetLineNumberColumn(false);
    if (Options.ExpandMessages)
        TreeView_Main->expandAll();
    if (Options.ExpandFilters)
        for (TPanelExpander* panel : {PanelExpander_Class, PanelExpander_Computer, PanelExpander_Group,
                                      PanelExpander_MessType})
            panel->SetExpand(true);
}

void TForm_Main::ApplyViewSetting(QAction* item, bool stored)
{
    item->setChecked(!stored);
    item->trigger();
}

void TForm_Main::SaveSettings()
{
    QHeaderView* header = ListViewEx_Messages->header();
    std::vector<int> hidden;
    for (int column = 0; column < header->count(); ++column)
        if (header->isSectionHidden(column) || header->sectionSize(column) == 0)
            hidden.push_back(column);
    try {
        HiveBatch batch(RegRoot::LocalMachine);
        SaveWindowPlacement(*this, kPlacementKey, kMainWindowName);
        // Hidden columns are saved shown; they are hidden again at once, as a save at the end
        // of a desktop session leaves the window in use until the session ends.
        for (const int column : hidden)
            ListViewEx_Messages->setColumnWidth(column, SavedColumnWidth(0));
        SaveColumnWidths(*ListViewEx_Messages, kPlacementKey, kMessagesListName);
        for (const int column : hidden)
            ListViewEx_Messages->setColumnWidth(column, 0);
        SaveColumnWidths(*ListView_Source, kPlacementKey, kSourceListName);
        SaveColumnWidths(*ListViewEx_KeyMarks, kPlacementKey, kKeyMarksListName);
        WriteViewerSettings(Options, CurrentViewState());
        if (Options.SaveUserKeyMarks)
            SaveKeyMarks();
        if (Options.SaveMessageTracking)
            SaveMessageTracks();
        if (batch.Commit() != RegStatus::Ok)
            ReportSettingsNotSaved(QStringLiteral("the settings folder cannot be written"));
    } catch (const ERegistryException& error) {
        for (const int column : hidden)
            ListViewEx_Messages->setColumnWidth(column, 0);
        ReportSettingsNotSaved(QString::fromUtf8(error.what()));
    }
}

void TForm_Main::ReportSettingsNotSaved(const QString& reason)
{
    if (settingsFailureReported_)
        return;
    settingsFailureReported_ = true;
    SetStatusText(QString::fromLatin1(kStatusSettingsNotSaved) + reason);
}

ViewState TForm_Main::CurrentViewState() const
{
    return {MessageFilterTree1->isChecked(), MessagesWindow1->isChecked(), SourceWindow1->isChecked(),
            ExpertMode1->isChecked()};
}

void TForm_Main::MainMenu_OptionsClick()
{
    TForm_Options dialog(Options, this);
    if (ShowOptionsDialog(dialog) != QDialog::Accepted)
        return;
    const bool showedLineNumbers = Options.ShowLineNums;
    Options = dialog.Options();
    ApplyLineNumberOption(showedLineNumbers);
    MessageRows->SetShowMilliseconds(Options.ShowMilliseconds);
}

void TForm_Main::ApplyLineNumberOption(bool before)
{
    switch (LineNumberColumnAfterOptions(before, Options.ShowLineNums, SourceRows->columnCount())) {
    case LineNumberColumnChange::Append:
        SourceRows->SetLineNumberColumn(true);
        ListView_Source->setColumnWidth(1, kLineNumberColumnWidth);
        break;
    case LineNumberColumnChange::Remove:
        SourceRows->SetLineNumberColumn(false);
        break;
    case LineNumberColumnChange::None:
        break;
    }
}

void TForm_Main::MessageFilterTree1Click()
{
    const bool on = MessageFilterTree1->isChecked();
    MessageFilterTree2->setChecked(on);
    PageControl_Main->setVisible(on); // the splitter's handle goes and comes with it
}

void TForm_Main::MessagesWindow1Click()
{
    const bool on = MessagesWindow1->isChecked();
    MessagesWindow2->setChecked(on);
    if (on && ActivePage() == ListPage::UserKeyMarks)
        return; // the message pane stays hidden on that page
    ListViewEx_Messages->setVisible(on);
    Panel_Main_Messages->setVisible(on);
}

void TForm_Main::SourceWindow1Click()
{
    const bool on = SourceWindow1->isChecked();
    SourceWindow2->setChecked(on);
    const QList<int> sizes = Splitter_Main_Horiz->sizes();
    if (!on) {
        // A pane not yet laid out (at start-up), or hidden, keeps the height it last had.
        if (Panel_Main_Messages->isVisible() && sizes.value(0) > 0)
            SavedMessagesHeight = sizes.value(0);
        ListView_Source->hide();
        Panel_Main_Source->hide();
        return;
    }
    const int total = std::max(std::accumulate(sizes.begin(), sizes.end(), 0), Splitter_Main_Horiz->height());
    Panel_Main_Source->show();
    ListView_Source->show();
    Splitter_Main_Horiz->setSizes({SavedMessagesHeight, std::max(total - SavedMessagesHeight, 1)});
}

void TForm_Main::MessageFilterTree2Click()
{
    MessageFilterTree1->trigger();
}

void TForm_Main::MessagesWindow2Click()
{
    MessagesWindow1->trigger();
}

void TForm_Main::SourceWindow2Click()
{
    SourceWindow1->trigger();
}

void TForm_Main::About1Click()
{
    TForm_About box(this);
    box.Image_Animation->Start();
    ShowAboutBox(box);
}

void TForm_Main::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm_Main::FormResize()
{
    GroupPanelExp1->RequestLayout();
}

void TForm_Main::Splitter_Main_VertMoved()
{
    GroupPanelExp1->RequestLayout();
}

} // namespace vireo
