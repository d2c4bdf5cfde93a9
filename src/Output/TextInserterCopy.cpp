#include "Output/TextInserter.h"
#include "Output/TextInserterParts.h"

// Copying the selection of the front application with its copy key, the user's clipboard kept
// and written back.

using Platform::ClipboardContents;
namespace EventFlag = Platform::EventFlag;
using Platform::Milliseconds;
namespace VirtualKey = Platform::VirtualKey;
using namespace TextInserterParts;

class TextInserter::CopyOperation final : public Operation {
public:
    CopyOperation(TextInserter& owner, CopyDone done) : Operation(owner), done_(std::move(done)) {}

    void start() override {
        if (!s_.trust.isTrusted()) {
            after(Milliseconds(0), [this] { finish(); });
            return;
        }
        waitForModifierRelease([this] { takeSnapshot(); });
    }

    void abandon() override {
        if (keySent_ && s_.clipboard.foreignWrites() != writesBefore_)
            owner_.writeClipboard(saved_);
    }

    void notify() override {
        if (done_)
            done_(result_);
    }

private:
    // The copy key replaces the user's clipboard, which is written back afterwards: it goes
    // out only once every format of it is kept. A busy owner that does not answer in time
    // costs the selection, never the clipboard.
    void takeSnapshot() {
        read_ = s_.clipboard.saveContents([this](std::optional<ClipboardContents> saved) {
            read_.reset();
            if (!saved) {
                // Nothing was touched, so nothing is written back. The callback may run
                // inside the read's call: the end waits for the clock.
                after(Milliseconds(0), [this] { finish(); });
                return;
            }
            saved_ = std::move(*saved);
            writesBefore_ = s_.clipboard.foreignWrites();
            // A terminal that takes no copy key gets none: nothing can arrive to wait for.
            if (!s_.keys.sendKey(VirtualKey::C, EventFlag::Command)) {
                conclude(std::nullopt);
                return;
            }
            keySent_ = true;
            pollsLeft_ = copyPolls;
            after(copyPoll, [this] { poll(); });
        });
    }

    void poll() {
        --pollsLeft_;
        if (s_.clipboard.foreignWrites() != writesBefore_) {
            read_ = s_.clipboard.readText([this](std::optional<QString> text) {
                read_.reset();
                conclude(std::move(text));
            });
            return;
        }
        if (pollsLeft_ > 0) {
            after(copyPoll, [this] { poll(); });
            return;
        }
        conclude(std::nullopt);
    }

    void conclude(std::optional<QString> copied) {
        // Nothing was copied: the user's clipboard was never touched, so it is not rewritten.
        if (s_.clipboard.foreignWrites() != writesBefore_) {
            owner_.writeClipboard(saved_);
            if (copied) {
                const QString trimmed = copied->trimmed();
                if (!trimmed.isEmpty())
                    result_ = trimmed;
            }
        }
        keySent_ = false;
        finish();
    }

    CopyDone done_;
    std::unique_ptr<Platform::PendingClipboardRead> read_;
    ClipboardContents saved_;
    quint64 writesBefore_ = 0;
    bool keySent_ = false;
    int pollsLeft_ = 0;
    std::optional<QString> result_;
};

void TextInserter::copySelection(CopyDone done) {
    enqueue(std::make_unique<CopyOperation>(*this, std::move(done)));
}
