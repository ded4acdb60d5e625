#pragma once

// The "Transfers" page. For now only its bottom strip: the two text boxes that show the
// download and upload summaries ("Down: 0 (0.0kB/s) 0.00MB"), refreshed every two seconds.
// The lists and limit controls come with the transfer work.

#include <QWidget>

class QLineEdit;

class TransfersTabSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransfersTabSheet)

public:
    explicit TransfersTabSheet(QWidget* parent = nullptr);

    void setThroughputTexts(const QString& down, const QString& up);
    QLineEdit* downText() const { return m_down; }
    QLineEdit* upText() const { return m_up; }

private:
    QLineEdit* m_down = nullptr;
    QLineEdit* m_up = nullptr;
};
