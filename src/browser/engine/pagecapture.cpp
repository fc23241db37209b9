#include "browser/engine/pagecapture.h"

#include <QLayout>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kRunningProperty[] = "calverdineCaptureRunning";
constexpr int kRetryMs = 20;
// How long a whole page's grabs must stay the same before the picture is taken.
constexpr qint64 kQuietMs = 1000;

// True when every pixel has the colour of the first: what the engine shows for a page it
// has not drawn yet at its new size.
bool IsUniform(const QImage& image)
{
    if (image.isNull())
        return true;
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    const QRgb first = rgb.pixel(0, 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

} // namespace

QSize TPageCapture::FittedSize(const QSize& content, const QSize& margin, bool* clipped)
{
    const qint64 wantedWidth = qint64(std::max(content.width(), 1)) + std::max(margin.width(), 0);
    const qint64 wantedHeight = qint64(std::max(content.height(), 1)) + std::max(margin.height(), 0);
    qint64 width = std::min<qint64>(wantedWidth, kMaxSide);
    qint64 height = std::min<qint64>(wantedHeight, kMaxSide);
    if (width * height > kMaxPixels)
        height = std::max<qint64>(1, kMaxPixels / width);
    if (clipped)
        *clipped = width != wantedWidth || height != wantedHeight;
    return QSize(int(width), int(height));
}

void TPageCapture::Start(QWebEngineView* view, bool wholePage, const QSize& margin, TCaptureCallback done)
{
    if (!view || !view->page()) {
        done({ QImage(), QString(), QStringLiteral("the page is gone") });
        return;
    }
    if (Running(view)) {
        done({ QImage(), QString(), QStringLiteral("a capture of this page is still running") });
        return;
    }
    auto* capture = new TPageCapture(view, wholePage, margin, std::move(done));
    capture->measure();
}

bool TPageCapture::Running(const QWebEngineView* view)
{
    return view && view->property(kRunningProperty).toBool();
}

TPageCapture::TPageCapture(QWebEngineView* view, bool wholePage, const QSize& margin, TCaptureCallback done)
    : QObject(view), m_view(view), m_wholePage(wholePage), m_margin(margin), m_done(std::move(done))
{
    m_view->setProperty(kRunningProperty, true);
    m_retry.setSingleShot(true);
    m_settle.start();
}

TPageCapture::~TPageCapture()
{
    if (!m_finished && m_done) {
        // The view goes away while its page is being captured.
        m_finished = true;
        m_done({ QImage(), QString(), QStringLiteral("the page was closed during the capture") });
    }
}

void TPageCapture::runScript(const QString& code, std::function<void(const QVariant&)> answer)
{
    if (!m_view || !m_view->page()) {
        finish({ QImage(), QString(), QStringLiteral("the page is gone") });
        return;
    }
    QPointer<TPageCapture> self(this);
    m_view->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld, [self, answer](const QVariant& value) {
        if (self)
            answer(value);
    });
}

void TPageCapture::measure()
{
    if (!m_wholePage) {
        m_target = m_view->size();
        waitForFrames();
        return;
    }
    runScript(QStringLiteral("(function(){var d=document.documentElement,b=document.body;"
                             "return [Math.max(d?d.scrollWidth:0,b?b.scrollWidth:0),"
                             "Math.max(d?d.scrollHeight:0,b?b.scrollHeight:0),"
                             "window.scrollX,window.scrollY];})()"),
              [this](const QVariant& value) {
                  const QVariantList list = value.toList();
                  if (list.size() < 4) {
                      finish({ QImage(), QString(), QStringLiteral("the page's size cannot be read") });
                      return;
                  }
                  const qreal zoom = m_view->page()->zoomFactor();
                  const QSize content(int(std::ceil(list[0].toDouble() * zoom)), int(std::ceil(list[1].toDouble() * zoom)));
                  m_scroll = QPoint(list[2].toInt(), list[3].toInt());
                  bool clipped = false;
                  const QSize target = FittedSize(content, m_margin, &clipped);
                  if (clipped) {
                      const QSize wanted(content.width() + std::max(m_margin.width(), 0),
                                         content.height() + std::max(m_margin.height(), 0));
                      m_note = QStringLiteral("the page (%1 x %2 pixels with the margins) is too large for one image; "
                                              "its top left %3 x %4 pixels were captured")
                                   .arg(wanted.width()).arg(wanted.height()).arg(target.width()).arg(target.height());
                  }
                  enlarge(target);
              });
}

void TPageCapture::enlarge(const QSize& target)
{
    m_target = target;
    m_oldGeometry = m_view->geometry();
    m_oldMinimum = m_view->minimumSize();
    m_oldMaximum = m_view->maximumSize();
    if (QWidget* parent = m_view->parentWidget()) {
        if (QLayout* layout = parent->layout()) {
            m_layoutWasEnabled = layout->isEnabled();
            layout->setEnabled(false);
        }
    }
    m_enlarged = true;
    m_view->setMinimumSize(0, 0);
    m_view->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_view->resize(target);
    m_settle.restart();
    waitForSize();
}

void TPageCapture::waitForSize()
{
    runScript(QStringLiteral("[window.innerWidth, window.innerHeight]"), [this](const QVariant& value) {
        const QVariantList list = value.toList();
        const qreal zoom = m_view->page()->zoomFactor();
        const bool reached = list.size() == 2 && std::abs(list[0].toDouble() * zoom - m_target.width()) <= 2
            && std::abs(list[1].toDouble() * zoom - m_target.height()) <= 2;
        if (reached || m_settle.elapsed() > kSettleLimitMs) {
            waitForFrames();
            return;
        }
        QTimer::singleShot(kRetryMs, this, &TPageCapture::waitForSize);
    });
}

void TPageCapture::waitForFrames()
{
    // Two animation frames of the page: the engine has laid out and painted at this size.
    const int token = ++m_frameToken;
    runScript(QStringLiteral("(function(){window.__calverdineCapture=0;requestAnimationFrame(function(){"
                             "requestAnimationFrame(function(){window.__calverdineCapture=%1;});});return 0;})()")
                  .arg(token),
              [this, token](const QVariant&) {
                  auto poll = std::make_shared<std::function<void()>>();
                  *poll = [this, token, poll] {
                      runScript(QStringLiteral("window.__calverdineCapture"), [this, token, poll](const QVariant& value) {
                          if (value.toInt() == token || m_settle.elapsed() > kSettleLimitMs) {
                              tryGrab();
                              return;
                          }
                          QTimer::singleShot(kRetryMs, this, [poll] { (*poll)(); });
                      });
                  };
                  (*poll)();
              });
}

void TPageCapture::tryGrab()
{
    if (!m_view) {
        finish({ QImage(), QString(), QStringLiteral("the page is gone") });
        return;
    }
    QImage image = m_view->grab(QRect(QPoint(0, 0), m_target)).toImage();
    // The engine shows a blank surface until its first frame at the new size arrives, and
    // then paints a large page tile by tile, frame after frame, as its painting threads get
    // to them (the parts not painted yet show the page's background). The picture is taken
    // once the grabs have stopped changing for a while.
    if (!m_wholePage || image != m_lastGrab) {
        m_lastGrab = image;
        m_sameSince.restart();
    }
    const bool settled = !IsUniform(image) && (!m_wholePage || m_sameSince.elapsed() >= kQuietMs);
    if (!settled && m_settle.elapsed() <= kSettleLimitMs) {
        waitForFrames();
        return;
    }
    m_lastGrab = QImage();
    if (image.devicePixelRatio() != 1.0 || image.size() != m_target)
        image = image.scaled(m_target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(1.0);
    image = image.convertToFormat(QImage::Format_RGB32);
    restore();
    finish({ image, m_note, QString() });
}

void TPageCapture::restore()
{
    if (!m_enlarged || !m_view)
        return;
    m_enlarged = false;
    m_view->setMinimumSize(m_oldMinimum);
    m_view->setMaximumSize(m_oldMaximum);
    m_view->setGeometry(m_oldGeometry);
    if (QWidget* parent = m_view->parentWidget()) {
        if (QLayout* layout = parent->layout()) {
            layout->setEnabled(m_layoutWasEnabled);
            layout->activate();
        }
    }
    // Back to where the user was, once the page is back at its own size.
    QPointer<QWebEngineView> view = m_view;
    const QPoint scroll = m_scroll;
    const int height = m_view->height();
    auto tries = std::make_shared<int>(0);
    auto back = std::make_shared<std::function<void()>>();
    *back = [view, scroll, height, tries, back] {
        if (!view || !view->page())
            return;
        view->page()->runJavaScript(
            QStringLiteral("(function(){if(Math.abs(window.innerHeight*%1-%2)>2)return false;"
                           "window.scrollTo(%3,%4);return true;})()")
                .arg(view->page()->zoomFactor()).arg(height).arg(scroll.x()).arg(scroll.y()),
            QWebEngineScript::ApplicationWorld, [view, tries, back](const QVariant& done) {
                if (!done.toBool() && ++*tries < 250 && view)
                    QTimer::singleShot(kRetryMs, view, [back] { (*back)(); });
            });
    };
    if (!m_scroll.isNull())
        (*back)();
}

void TPageCapture::finish(const TCaptureImage& result)
{
    if (m_finished)
        return;
    m_finished = true;
    restore();
    if (m_view)
        m_view->setProperty(kRunningProperty, false);
    TCaptureCallback done = std::move(m_done);
    m_done = nullptr;
    deleteLater();
    if (done)
        done(result);
}
