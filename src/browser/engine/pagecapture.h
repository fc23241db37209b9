#pragma once

#include "core/tabaccess.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

class QWebEngineView;

// Renders the page of a view into an image. The visible part is grabbed as it is; for the
// whole page the view is taken out of its parent's layout and resized to the page's full
// size (plus the margin) for the moment of the grab, so the engine lays the page out and
// draws it once at that size: fixed headers appear once, at the top, and nothing is
// stitched. Then the view gets its size, layout and scroll position back.
class TPageCapture final : public QObject {
    Q_OBJECT
public:
    // The largest image: no side above kMaxSide pixels and no more than kMaxPixels pixels.
    // A page larger than that is rendered as far as it fits, from its top left corner.
    static constexpr int kMaxSide = 32000;
    static constexpr qint64 kMaxPixels = qint64(128) * 1024 * 1024;
    // How long the engine may take to show the enlarged page before the grab is taken as
    // it is (a page of one plain colour never looks different).
    static constexpr int kSettleLimitMs = 5000;

    // The size a whole-page image gets for a page of `content` size with `margin`, within
    // the limits; `clipped` tells whether the limits cut it.
    static QSize FittedSize(const QSize& content, const QSize& margin, bool* clipped);

    // Starts at once; `done` is called once and the object deletes itself afterwards.
    static void Start(QWebEngineView* view, bool wholePage, const QSize& margin, TCaptureCallback done);
    ~TPageCapture() override;

    // Whether a capture of the view is running.
    static bool Running(const QWebEngineView* view);

private:
    TPageCapture(QWebEngineView* view, bool wholePage, const QSize& margin, TCaptureCallback done);
    void measure();
    void enlarge(const QSize& target);
    void waitForSize();
    void waitForFrames();
    void tryGrab();
    void restore();
    void finish(const TCaptureImage& result);
    void runScript(const QString& code, std::function<void(const QVariant&)> answer);

    QPointer<QWebEngineView> m_view;
    bool m_wholePage = false;
    QSize m_margin;
    TCaptureCallback m_done;

    QSize m_target;
    QString m_note;
    bool m_enlarged = false;
    QRect m_oldGeometry;
    QSize m_oldMinimum;
    QSize m_oldMaximum;
    bool m_layoutWasEnabled = false;
    QPoint m_scroll;
    int m_frameToken = 0;
    // The last grab of this capture, compared with the next one.
    QImage m_lastGrab;
    // Since when the grabs have shown the same picture.
    QElapsedTimer m_sameSince;
    QElapsedTimer m_settle;
    QTimer m_retry;
    bool m_finished = false;
};
