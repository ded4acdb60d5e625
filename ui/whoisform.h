#pragma once

// TWhoisForm, "Whois Info": the answer to a whois request, one read-only field per item in a
// group box captioned nickname@our-address. One instance, always on top, shown (not modal) by
// every answer. Closing hides it and enables the six fields that only fuller answers fill;
// Escape hides it and leaves them as they are.

#include "chat/whois.h"

#include <QHash>
#include <QWidget>

class QGroupBox;
class QLineEdit;

class TWhoisForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWhoisForm)

public:
    explicit TWhoisForm(QWidget* parent = nullptr);

    void showInfo(const WhoisInfo& info);

    QGroupBox* groupBox() const { return m_group; }
    // The field of a caption ("User", "Class", ... "Total DLs").
    QLineEdit* field(const QString& caption) const { return m_fields.value(caption); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setExtraEnabled(bool enabled);

    QGroupBox* m_group = nullptr;
    QHash<QString, QLineEdit*> m_fields;
};
