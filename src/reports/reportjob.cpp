#include "reportjob.h"

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

ReportJob::ReportJob(std::shared_ptr<PreparedReport> report, QObject *parent)
    : QObject(parent), m_report(std::move(report)), m_model(m_report->newModel())
{
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
    m_thread = std::thread([this] {
        ModelFiller filler(*m_model, [this] { notifyPages(); });
        try {
            m_report->layOut(filler, &m_cancel);
            m_model->finish(PageModel::State::Complete);
        } catch (const LayoutCancelled &) {
            m_model->finish(PageModel::State::Cancelled);
        } catch (...) {
            m_model->finish(PageModel::State::Failed, std::current_exception());
        }
        // The rows are not needed once the pages are laid out; a year's census held tens of
        // megabytes of them, which go back to the system rather than stay with the process.
        m_report.reset();
        returnFreedMemory();
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    });
}

void ReportJob::cancel()
{
    m_cancel = true;
}

void ReportJob::wait()
{
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
