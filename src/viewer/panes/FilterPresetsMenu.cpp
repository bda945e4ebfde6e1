#include "viewer/panes/FilterPresetsMenu.h"

#include "settings/RegUtils.h"
#include "viewer/panes/MenuItems.h"
#include "viewer/panes/ViewerDialogs.h"
#include "viewer/session/ViewerSettings.h"

#include <QInputDialog>
#include <QMessageBox>

namespace vireo {

namespace {

// Asks for a text (editable) or one of items (not); nothing on Cancel.
std::optional<QString> AskText(QWidget* owner, const QString& title, const QString& label,
                               const QStringList& items = {})
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setAccessibleName(title);
    dialog.setLabelText(label);
    if (!items.isEmpty()) {
        dialog.setComboBoxItems(items);
        dialog.setComboBoxEditable(false);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

bool AskReplace(QWidget* owner, const QString& name)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Save Preset"),
                    QStringLiteral("A preset named \"%1\" exists. Replace it?").arg(name),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setAccessibleName(box.windowTitle());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

FilterPresetsMenu::FilterPresetsMenu(ViewerDialogs& dialogs, std::function<FilterPreset()> current, QWidget* parent)
    : QMenu(QStringLiteral("Filter &Presets"), parent), dialogs_(dialogs), current_(std::move(current))
{
    setObjectName(QStringLiteral("FilterPresets1"));
    setAccessibleName(QStringLiteral("Filter Presets"));
    dialogs_.AskPresetName = [this] {
        return AskText(this, QStringLiteral("Save Preset"), QStringLiteral("&Name of the preset:"));
    };
    dialogs_.ConfirmReplacePreset = [this](const QString& name) { return AskReplace(this, name); };
    dialogs_.ChoosePresetToDelete = [this](const QStringList& names) {
        return AskText(this, QStringLiteral("Delete Preset"), QStringLiteral("&Preset to delete:"), names);
    };
    AddMenuItem(this, nullptr, "SavePreset1", QStringLiteral("&Save Preset..."), this, &FilterPresetsMenu::SavePreset);
    addSeparator();
    presetsEnd_ = addSeparator();
    delete_ = AddMenuItem(this, nullptr, "DeletePreset1", QStringLiteral("&Delete Preset..."), this,
                          &FilterPresetsMenu::DeletePreset);
    Rebuild();
}

void FilterPresetsMenu::Load(std::vector<std::string>& problems)
{
    presets_.Read(kFilterPresetsKey, problems);
    Rebuild();
}

void FilterPresetsMenu::Rebuild()
{
    // Only the presets' items are made anew: "Save" and "Delete" may be the item being run.
    for (QAction* item : presetItems_)
        delete item;
    presetItems_.clear();
    for (const FilterPreset& preset : presets_.List()) {
        QString caption = preset.Name;
        auto* item = new QAction(caption.replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        item->setObjectName(QStringLiteral("Preset1"));
        insertAction(presetsEnd_, item);
        presetItems_.push_back(item);
        const QString name = preset.Name;
        connect(item, &QAction::triggered, this, [this, name] {
            if (const FilterPreset* chosen = presets_.Find(name))
                emit PresetChosen(*chosen);
        });
    }
    presetsEnd_->setVisible(!presets_.List().empty());
    delete_->setEnabled(!presets_.List().empty());
}

void FilterPresetsMenu::SavePreset()
{
    const std::optional<QString> name = dialogs_.AskPresetName();
    if (!name || name->trimmed().isEmpty())
        return;
    if (presets_.Find(*name) && !dialogs_.ConfirmReplacePreset(presets_.Find(*name)->Name))
        return;
    FilterPreset preset = current_();
    preset.Name = *name;
    presets_.Save(std::move(preset));
    Store();
}

void FilterPresetsMenu::DeletePreset()
{
    QStringList names;
    for (const FilterPreset& preset : presets_.List())
        names.push_back(preset.Name);
    if (names.isEmpty())
        return;
    const std::optional<QString> name = dialogs_.ChoosePresetToDelete(names);
    if (name && presets_.Remove(*name))
        Store();
}

void FilterPresetsMenu::Store()
{
    Rebuild();
    try {
        presets_.Write(kFilterPresetsKey);
    } catch (const ERegistryException& error) {
        dialogs_.ShowMessageBox(QStringLiteral("The filter presets were not saved: ") + QString::fromUtf8(error.what()));
    }
}

} // namespace vireo
