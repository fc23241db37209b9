#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class TMainForm;

// A picture of the main window, asked for on the command line for documentation and for
// checking the layout without a screen:
//   --screenshot FILE [--screenshot-size WIDTHxHEIGHT] [--screenshot-compare]
struct TScreenshotRequest {
    QString fileName; // empty when no picture was asked for
    QSize size;       // the window's own size when invalid
    bool compare = false; // compare the page with its screen's first data set first
    QString error;

    bool requested() const { return !fileName.isEmpty(); }
};

// Takes the screenshot options out of the arguments (the rest is left for the usual
// command line) and returns what they ask for.
TScreenshotRequest TakeScreenshotArguments(QStringList& arguments);
QString ScreenshotUsage();

// Work done on the loaded window before its picture is taken; it calls `then` when done.
using TScreenshotPreparation = std::function<void(const std::function<void()>& then)>;

// Once the shown window has opened its start-up project and its tabs have finished loading
// (or after timeoutMs at most), runs the preparation (when given; the time limit holds for it
// too), lays the window out at the requested size, writes it as a PNG file and ends the
// application: exit code 0, or 1 with a message on standard error when the file cannot be
// written.
void ScheduleScreenshot(TMainForm& form, const TScreenshotRequest& request, int timeoutMs = 20000,
                        TScreenshotPreparation prepare = {});
