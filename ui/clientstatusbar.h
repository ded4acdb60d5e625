#pragma once

// The main window's status bar: seven fixed panels, left to right. Panel 5 stretches to take
// whatever width the others leave; the rest keep their widths.

#include <QStatusBar>
#include <array>

class QLabel;

class ClientStatusBar final : public QStatusBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClientStatusBar)

public:
    enum Panel {
        NicknamePanel = 0, // own nickname and level
        UsersPanel = 1,
        FilesPanel = 2,
        GigabytesPanel = 3, // also carries the chat activity marks
        SharingPanel = 4,   // "Sharing: ..."
        StretchPanel = 5,
        UptimePanel = 6,
    };
    static constexpr int PanelCount = 7;

    explicit ClientStatusBar(QWidget* parent = nullptr);

    // An index outside 0..6 is ignored (set) or gives an empty text (read).
    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    // The panel's label, for layout checks; nullptr outside 0..6.
    QLabel* panelLabel(int panel) const;

private:
    std::array<QLabel*, PanelCount> m_panels{};
};
