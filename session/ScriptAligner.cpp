#include "session/ScriptAligner.h"

#include "align/loader/AlignModule.h"

#include <QMetaObject>

namespace qm {

ScriptAligner::ScriptAligner(QObject* parent) : QObject(parent) {}

ScriptAligner::~ScriptAligner() {
    cancel();
    joinWorker();
}

void ScriptAligner::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

bool ScriptAligner::start(const std::string& mediaPath, std::string scriptBytes, align::Options options) {
    if (running_) return false;
    joinWorker();  // a cancelled run still winding down: its flag is set, it ends soon
    running_ = true;
    const int run = ++run_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    worker_ = std::thread([this, run, cancel = cancel_, mediaPath, bytes = std::move(scriptBytes), options] {
        auto report = [this, run](int percent) {
            QMetaObject::invokeMethod(
                this, [this, run, percent] { if (run == run_) emit progress(percent); }, Qt::QueuedConnection);
        };
        auto result = std::make_shared<align::Result>();
        int sentences = 0;
        std::string why;
        if (const align::ModuleApi* api = align::alignModule(why)) {
            const auto script = api->splitScript(bytes);
            sentences = static_cast<int>(script.size());
            if (script.empty()) {
                result->error = "the script holds no sentence";
            } else {
                *result = api->alignScript(mediaPath, script, options, report, cancel.get());
            }
        } else {
            result->error = why;
        }
        QMetaObject::invokeMethod(
            this,
            [this, run, result, sentences] {
                if (run != run_) return;  // cancelled meanwhile
                joinWorker();
                running_ = false;
                emit finished(result, sentences);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void ScriptAligner::cancel() {
    if (!running_) return;
    cancel_->store(true);
    ++run_;
    running_ = false;
}

}  // namespace qm
