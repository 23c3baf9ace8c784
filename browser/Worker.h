// Work done off the window's thread: the folder scan, the health report and
// the Search dialog's search all run through a TWorker.  A job runs on a
// thread of its own; what it hands over with Post() runs on the window's
// thread, in the order it was posted, while the job is still the worker's
// current one.  Starting another job gives the running one up (its thread
// ends on its own; nothing it posts arrives any more); Stop() only asks it
// to end early, and what it posts still arrives.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace dyskel {

class TWorker : public QObject {
    Q_OBJECT
  public:
    class Job {
      public:
        // True once the job is asked to stop or has been given up.
        bool Stopped() const { return stop_->load(); }
        // The flag for engine calls that take one.
        const std::atomic<bool>* StopFlag() const { return stop_.get(); }
        // Runs what on the window's thread unless the job is given up by then.
        void Post(std::function<void()> what) const;

      private:
        friend class TWorker;
        Job(TWorker* worker, unsigned number);
        TWorker* worker_;
        unsigned number_;
        std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    };

    explicit TWorker(QObject* parent = nullptr);
    // Gives the running job up and waits for every thread still running.
    ~TWorker() override;

    // Runs work on a new thread; a job still running is given up.
    void Start(std::function<void(const Job&)> work);
    // Asks the running job to end early; it still finishes.
    void Stop();
    // Stops the running job, waits for its end and runs what it posted.
    void StopAndWait();
    // True from Start() until Finished() of that job.
    bool Running() const { return running_; }

  signals:
    // The current job has ended; everything it posted has run before.
    void Finished();

  private:
    void GiveUp();
    void Reap(); // forgets the threads that have ended

    unsigned number_ = 0; // the current job
    bool running_ = false;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::vector<QThread*> threads_;
};

} // namespace dyskel
