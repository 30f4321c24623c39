#include "engine/reportjob.h"

#include <functional>

namespace mss::reports {

namespace {

// Hands each page to the model and tells the job, which tells the windows.
class ModelFiller final : public PageSink {
public:
    ModelFiller(PageModel &model, std::function<void()> added) : m_model(model), m_added(std::move(added)) { }
    void addPage(Page page, std::vector<TextRun> countTexts, const QList<FontSpec> &fonts) override
    {
        m_model.addPage(std::move(page), std::move(countTexts), fonts);
        m_added();
    }
    void setCountTexts(int page, std::vector<TextRun> texts) override { m_model.setCountTexts(page, std::move(texts)); }

private:
    PageModel &m_model;
    std::function<void()> m_added;
};

} // namespace

namespace {

// A slice of reading between two turns of the event loop: short enough that the window answers.
constexpr int readSliceMs = 15;

} // namespace

ReportJob::ReportJob(std::shared_ptr<PreparedReport> report, QObject *parent)
    : QObject(parent), m_report(std::move(report)), m_model(m_report->newModel())
{
    m_reader.setInterval(0);
    connect(&m_reader, &QTimer::timeout, this, &ReportJob::readSlice);
}

ReportJob::~ReportJob()
{
    cancel();
    wait();
}

void ReportJob::start()
{
    if (m_thread.joinable() || !m_report)
        return;
    m_thread = std::thread([this, report = m_report]() mutable {
        ModelFiller filler(*m_model, [this] { notifyPages(); });
        try {
            report->layOutWhileReading(filler, &m_cancel);
            m_model->finish(PageModel::State::Complete);
        } catch (const LayoutCancelled &) {
            m_model->finish(PageModel::State::Cancelled);
        } catch (...) {
            m_model->finish(PageModel::State::Failed, std::current_exception());
        }
        // The rows are not needed once the pages are laid out; a year's census held tens of
        // megabytes of them, which go back to the system rather than stay with the process.
        report.reset();
        returnFreedMemory();
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    });
    if (m_report->readingRows())
        m_reader.start();
    else
        m_report.reset();
}

void ReportJob::readSlice()
{
    if (m_report && !m_report->readRows(readSliceMs))
        return;
    stopReading();
}

void ReportJob::stopReading()
{
    m_reader.stop();
    if (m_report)
        m_report->stopReading();
    m_report.reset();
}

void ReportJob::cancel()
{
    m_cancel = true;
    stopReading();
}

void ReportJob::waitForPages(int count)
{
    while (m_report && m_model->state() == PageModel::State::LayingOut && m_model->pageCount() < count)
        readSlice();
    m_model->waitForPages(count);
}

void ReportJob::wait()
{
    while (m_report)
        readSlice();
    if (m_thread.joinable())
        m_thread.join();
}

void ReportJob::notifyPages()
{
    // One signal waits in the queue at a time, however fast the pages come.
    if (m_notifying.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_notifying = false;
            emit pagesAdded();
        },
        Qt::QueuedConnection);
}

} // namespace mss::reports
