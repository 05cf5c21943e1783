#pragma once

#include <QDialog>

// Where a person in Japan can turn for help with gambling problems: the kinds of places, by
// name only, since telephone numbers and addresses change.
class CHelpDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdText = 10,
    };

    explicit CHelpDlg(QWidget *owner);

    QWidget *control(ControlId id) const;
    static QString Text();

private:
    QWidget *m_text = nullptr;
    QWidget *m_ok = nullptr;
};
