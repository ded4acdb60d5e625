#pragma once

// The splash screen: a borderless 500 by 250 picture, drawn in code, shown 100 ms after the
// main window first appears and closed 2500 ms later. While it is up it takes the input, as a
// modal window would; the event loop runs on.

#include <QWidget>

class QTimer;

class TSplashScreen final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSplashScreen)

public:
    static constexpr int DelayMs = 100;
    static constexpr int ShownMs = 2500;

    explicit TSplashScreen(QWidget* parent = nullptr);

    // Starts the delay; the splash then shows itself centred on its parent window and closes
    // on its own.
    void start();
    bool isPending() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onTimer();

    QTimer* m_timer;
    bool m_shown = false;
};
