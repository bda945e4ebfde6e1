#pragma once

#include <QFrame>

namespace vireo {

// A panel whose caption is painted centred on its own background, so that it shows through
// where no child covers it.
class TCaptionPanel : public QFrame {
    Q_OBJECT
public:
    explicit TCaptionPanel(QWidget* parent = nullptr);

    // The caption text.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

} // namespace vireo
