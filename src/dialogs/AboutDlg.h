#pragma once

#include <QDialog>

class QLabel;

// The version box: name, version, guide page address and publisher lines.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls that are looked up; each value is also the control's object name, "id" and
    // the number.
    enum ControlId {
        IdOk = 1,
        IdGuideUrl = 1069, // the guide page address, read-only and selectable
        IdCredit = 1068, // empty until a double click in the top-left corner
    };

    explicit CAboutDlg(QWidget *parent = nullptr);
    ~CAboutDlg() override;

    // The guide page shown in the box.
    static QString GuideUrl();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QLabel *m_credit = nullptr;
};
