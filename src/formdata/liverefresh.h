#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TCalverdineDocument;

// How long a page may take to answer a refresh of its live values.
inline constexpr int kLiveRefreshTimeoutMs = 10000;

// Brings the live values of the page into the document model with one round trip, then
// calls done with an empty text, or with a message when the page did not answer in time,
// answered with an error, or the model went away meanwhile (stillValid answers false).
// A model without a live page is done at once. Nothing is called once context is gone.
void RefreshLiveValues(TCalverdineDocument& document, QObject* context, std::function<bool()> stillValid,
                       std::function<void(const QString& error)> done, int timeoutMs = kLiveRefreshTimeoutMs);

// "ページの値を読み取れませんでした: " + detail
QString LiveRefreshError(const QString& detail);
