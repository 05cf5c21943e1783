#pragma once

class QWidget;

// What the daily input window needs from the main window that owns it.
class CDailyInputHost
{
public:
    virtual ~CDailyInputHost() = default;
    // The day at fromIndex was written into the book; refresh the list, summary and graph.
    virtual int DayResultChanged(int fromIndex) = 0;
    // The daily input window is about to destroy itself.
    virtual int DailyInputClosed() = 0;
    // The owning window: parent of the daily input window, disabled around its confirmation box.
    virtual QWidget *HostWindow() = 0;
};
