#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "AI/ReplyKind.h"
#include "Context/ContextSnapshot.h"
#include "Platform/RunningApplication.h"
#include "Projects/Project.h"
#include "Settings/ProviderID.h"

// The texts the panel computes from the session: the header's title and detail, quotation
// marks, the status line while a reply runs and the split of a draft that is still arriving.
// Pure functions, so every rule can be checked without a view.
namespace PanelTexts {

// The language the interface speaks; its quotation marks are the ones `quoted` uses.
QLocale interfaceLocale();

// `text` in the quotation marks of `locale`; French guillemets get a narrow no-break space
// inside them, as French typography wants.
QString quoted(const QString& text, const QLocale& locale = interfaceLocale());

// The page or document part of a window title: the application's own name at the end, an
// unread counter in front and a site prefix before " | " are dropped; at most 32 characters.
std::optional<QString> siteName(const std::optional<QString>& title, const QString& app);

// "App · Page", the application alone, or "Tavrin" when nothing is known.
QString contextTitle(const std::optional<ContextSnapshot>& context,
                     const std::optional<Platform::RunningApplication>& targetApp);

// What the header says about the field the panel was opened for.
struct DetailInputs {
    bool showsScreenHint = false;
    bool ready = false;  // the session's phase is ready
    bool showsQuotePlaceholder = false;
    bool quoteIsSelection = false;  // a quote exists and holds selected text
    const std::optional<ContextSnapshot>* context = nullptr;
};
QString contextDetail(const DetailInputs& inputs);

// The project chip's tooltip.
QString projectToolTip(const std::optional<Project>& project);

// Which step of a request the status line names.
enum class WaitStep { capturing, connecting, thinking, writingDraft, writingOther };
QString waitText(WaitStep step, const QString& modelLabel, ProviderID provider);

// "12 s" from two whole seconds on; empty before.
QString elapsedText(qint64 wholeSeconds);

// A draft while it arrives: `head` up to and including its last blank or line break, `tail`
// the word still coming in.
struct DraftSplit {
    QString head;
    QString tail;
    bool operator==(const DraftSplit&) const = default;
};
DraftSplit splitDraft(const QString& draft);
// The length of the split's head, without copying either part.
qsizetype draftHeadLength(QStringView draft);

}  // namespace PanelTexts
