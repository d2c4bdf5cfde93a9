#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

#include "AI/AIError.h"
#include "AI/AIRequest.h"
#include "AI/AIResult.h"
#include "AI/ChunkStream.h"
#include "AI/ProcessRun.h"
#include "AI/ServiceRefusal.h"
#include "Platform/Clock.h"

// One request to a command-line AI tool, the part every such provider shares: find the tool,
// run it once, turn each line it prints into chunks, and end the stream by what the run and
// the printed events said. A child of its stream, so that ending the stream ends the run.
// Each provider says how its tool is started and how its lines read.
class CLIToolRequest : public QObject {
public:
    // How long a tool may go on retrying a service that turns it away (overloaded, or the
    // limit reached) before the request gives up on it. claude waits half a second before its
    // first retry and twice as long before each next one, for about three minutes in all;
    // nobody waits that long for a reply, while a blip of a few seconds is over by the second
    // or third retry. Fifteen seconds leave it four retries.
    //
    // Only a tool that is still retrying is given up: one that waits for a next try it has
    // announced, or that reports one more refusal. A tool that went quiet after a refusal may
    // have got through: codex prints nothing between a retry that succeeds and its finished
    // answer.
    static constexpr std::chrono::milliseconds kRefusalGrace = std::chrono::seconds(15);

    // How the tool is started.
    struct Launch {
        QStringList arguments;
        QByteArray input;
        QString workingDirectory;
    };

    // Finds the tool `name` at `customPath` or along the search path and runs it. Without one
    // the stream ends with AIError::cliNotFound(`displayName`) and nothing is started.
    void begin(const QString& name, const QString& customPath, const QString& displayName);

    // One line of the tool's output as an event: a JSON object with a string "type"; none for
    // any other line. Bytes that are not UTF-8 become replacement characters instead of
    // costing the whole line.
    static std::optional<QJsonObject> event(const QByteArray& line);

protected:
    // `clock` times the grace of a service that turns the tool away.
    CLIToolRequest(ChunkStream* stream, Platform::Clock& clock);

    // What to start the tool with, or the failure that ends the stream in its place.
    virtual AIResult<Launch> prepare() = 0;
    // The chunks one line of standard output yields.
    virtual QStringList onLine(const QByteArray& line) = 0;
    // The failure text the tool's events reported; it wins over any exit status.
    virtual std::optional<QString> reportedError() const = 0;
    // The error for a failure text.
    virtual AIError classify(const QString& text) const = 0;
    // The failure text for a non-zero exit status when standard error says nothing.
    virtual QString exitMessage(int status) const = 0;
    // A failure the lines read so far already settle, though the tool goes on (it may retry
    // for minutes): the run is ended as on cancel and the stream ends with it at once.
    virtual std::optional<AIError> settledFailure() const { return std::nullopt; }
    // The latest retry line of a tool whose service itself turned it away (overloaded, or
    // the limit reached); none while the tool gets through or retries for another reason,
    // such as the network. Once the refusal has lasted kRefusalGrace without a break and the
    // tool still retries, the run is ended as on cancel and the stream ends with it.
    virtual std::optional<ServiceRefusal> refusal() const { return std::nullopt; }
    // Lets go of what prepare() made, before the stream ends or when it is cancelled.
    virtual void release() {}

private:
    void start(const QString& executable);
    void finish(const AIResult<ProcessRun::Output>& result);
    void cancel();
    void stopWith(const AIError& failure);
    void followRefusal();
    void refusalGraceOver();

    ChunkStream* m_stream;
    Platform::Clock& m_clock;
    std::unique_ptr<ProcessRun> m_run;
    // Runs from the first line of a refusal until it lets up.
    std::unique_ptr<Platform::Timer> m_refusalGrace;
    // The grace is over, but the tool had gone quiet: its next refusal line ends the run.
    bool m_refusalGraceOver = false;
    // The latest refusal line read, and when.
    int m_refusalLine = 0;
    Platform::Nanoseconds m_refusalLineAt{0};
};

// A request whose tool's lines `Provider::StreamState` reads and `Provider::classify` names:
// the reported failure, a refused sign-in and a service that turns the tool away come from
// that state the same way for every such tool.
template <typename Provider>
class StreamStateRequest : public CLIToolRequest {
protected:
    // `notLoggedIn`: the error for a sign-in the service refused.
    StreamStateRequest(ChunkStream* stream, Platform::Clock& clock, AIRequest request,
                       AIError (*notLoggedIn)())
        : CLIToolRequest(stream, clock),
          m_request(std::move(request)),
          m_notLoggedIn(notLoggedIn) {}

    QStringList onLine(const QByteArray& line) override { return m_state.onLine(line); }
    std::optional<QString> reportedError() const override { return m_state.error; }
    AIError classify(const QString& text) const override { return Provider::classify(text); }
    std::optional<AIError> settledFailure() const override {
        if (m_state.signInRejected)
            return m_notLoggedIn();
        return std::nullopt;
    }
    std::optional<ServiceRefusal> refusal() const override { return m_state.refusal; }

    AIRequest m_request;
    typename Provider::StreamState m_state;

private:
    AIError (*m_notLoggedIn)();
};
