#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class TMainForm;

// A picture of the main window, asked for on the command line for documentation and for
// checking the layout without a screen:
//   --screenshot FILE [--screenshot-size WIDTHxHEIGHT]
struct TScreenshotRequest {
    QString fileName; // empty when no picture was asked for
    QSize size;       // the window's own size when invalid
    QString error;

    bool requested() const { return !fileName.isEmpty(); }
};

// Takes the screenshot options out of the arguments (the rest is left for the usual
// command line) and returns what they ask for.
TScreenshotRequest TakeScreenshotArguments(QStringList& arguments);
QString ScreenshotUsage();

// Once the shown window has opened its start-up project and its tabs have finished loading
// (or after timeoutMs at most), lays the window out at the requested size, writes it as a
// PNG file and ends the application: exit code 0, or 1 with a message on standard error
// when the file cannot be written.
void ScheduleScreenshot(TMainForm& form, const TScreenshotRequest& request, int timeoutMs = 20000);
