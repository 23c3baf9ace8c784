#include "browser/Worker.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace dyskel {

TWorker::Job::Job(TWorker* worker, unsigned number) : worker_(worker), number_(number) {}

void TWorker::Job::Post(std::function<void()> what) const {
    TWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker,
        [worker, number = number_, what = std::move(what)] {
            if (number == worker->number_) what();
        },
        Qt::QueuedConnection);
}

TWorker::TWorker(QObject* parent) : QObject(parent) {}

TWorker::~TWorker() {
    GiveUp();
    for (QThread* t : threads_) {
        t->wait();
        delete t;
    }
}

void TWorker::Start(std::function<void(const Job&)> work) {
    GiveUp();
    Reap();
    Job job(this, ++number_);
    stop_ = job.stop_;
    running_ = true;
    QThread* thread = QThread::create([job, work = std::move(work)] {
        work(job);
        job.Post([worker = job.worker_] {
            worker->running_ = false;
            emit worker->Finished();
        });
    });
    threads_.push_back(thread);
    thread->start();
}

void TWorker::Stop() {
    if (stop_) stop_->store(true);
}

void TWorker::StopAndWait() {
    Stop();
    if (!running_) return;
    for (QThread* t : threads_) t->wait();
    // What the job posted is waiting in the queue: it runs now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TWorker::GiveUp() {
    Stop();
    ++number_; // what the old job posts no longer runs
    running_ = false;
}

void TWorker::Reap() {
    std::erase_if(threads_, [](QThread* t) {
        if (!t->isFinished()) return false;
        t->wait();
        delete t;
        return true;
    });
}

} // namespace dyskel
