#pragma once

#include "engine/pagemodel.h"
#include "engine/reportengine.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

namespace mss::reports {

// Lays a prepared report out on a thread of its own, into a model that windows read while it
// fills: the first page shows as soon as it is laid out and the window stays responsive. The
// rows of the report's main query are read meanwhile on the job's own thread (the windows'),
// a slice between events, and the layout starts on the first of them. The rows are let go when
// the layout ends.
class ReportJob final : public QObject {
    Q_OBJECT

public:
    explicit ReportJob(std::shared_ptr<PreparedReport> report, QObject *parent = nullptr);
    // Stops the layout and waits for its thread.
    ~ReportJob() override;

    const std::shared_ptr<PageModel> &model() const { return m_model; }
    void start();
    // Asks the layout to stop; it does between two rows. The model then says Cancelled.
    void cancel();
    // Waits until the model has `count` pages or the layout ended, reading rows meanwhile.
    void waitForPages(int count);
    // Waits for the layout's thread to end, reading the rest of the rows first.
    void wait();

signals:
    // More pages are in the model (several may have come since the last signal).
    void pagesAdded();
    // The layout ended: complete, failed or cancelled, as the model's state says.
    void finished();

private:
    void notifyPages();
    void readSlice();
    void stopReading();

    // Held here while rows are being read; the layout's thread holds its own.
    std::shared_ptr<PreparedReport> m_report;
    QTimer m_reader;
    std::shared_ptr<PageModel> m_model;
    std::atomic<bool> m_cancel { false };
    std::atomic<bool> m_notifying { false };
    std::thread m_thread;
};

} // namespace mss::reports
