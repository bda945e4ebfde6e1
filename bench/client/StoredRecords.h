#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QThread>

#include <functional>

namespace vireo::bench {

// The viewer answers a call once its messages are queued and stores them right after, so a
// figure reads the probe's file once it holds enough (as `enough` judges; called only when the
// file holds at least `lines` lines) or has not grown for five seconds. Returns the file's bytes;
// storedMs receives the time from `since` until it held enough or last grew.
inline QByteArray WaitForStoredRecords(const QString& path, qsizetype lines,
                                       const std::function<bool(const QByteArray&)>& enough,
                                       const QElapsedTimer& since, double* storedMs)
{
    QByteArray stored;
    QElapsedTimer still;
    still.start();
    for (;;) {
        QFile file(path);
        const QByteArray now = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (now.size() != stored.size())
            still.restart();
        stored = now;
        if (stored.count('\n') >= lines && enough(stored)) {
            *storedMs = since.elapsed();
            return stored;
        }
        if (still.elapsed() > 5000) {
            *storedMs = since.elapsed() - still.elapsed();
            return stored;
        }
        QThread::msleep(20);
    }
}

} // namespace vireo::bench
