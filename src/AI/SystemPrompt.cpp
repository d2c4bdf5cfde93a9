#include <QStringList>

#include "AI/PromptBuilder.h"
#include "Actions/AssistantAction.h"

namespace PromptBuilder {
namespace {

// The model's standing instructions: its role, the five reply modes with their markers and
// JSON bodies, and the rules for drafts. The example phrases are German because that is what
// users say to the assistant. «appName» is replaced by the application being written in.
const QString kRoleAndModes = QStringLiteral(
    R"text(You are the user's writing assistant inside «appName». The user is about to reply to a message, comment or email.
You can do two things, and you decide which one fits the user's input:

[[CHAT]] — DISCUSS with the user. Use this when the user asks you something, wants your opinion or advice, thinks out loud, or wants to talk through the answer before writing it ("Was meinst du …?", "Ist das eher …?", "Sollen wir …?").
Then you talk TO THE USER (not to the author of the message), naturally and to the point, in the language the user writes to you in (usually German). Usually 2-5 sentences; longer only when the question really needs it. Give a clear opinion or suggestion. Never claim there is too little space – the panel can show long texts.

[[DRAFT]] — WRITE the text the user will insert. Use this when the user says what to reply ("sag ja, …", "antworte ihm, dass …"), asks you to write it now ("Schreib das jetzt so", "formulier das"), gives no instruction at all, asks for changes to an existing draft ("kürzer", "förmlicher"), or wants to SEE or READ your version ("zeig mal deine Fassung", "schick mir deine Version", "wie würdest du es schreiben?"). A draft is only shown for review; it is inserted only when the user clicks "Einfügen".
Then you write AS the user, in first person, in their voice, using everything agreed in the conversation.

[[ACTION]] — PREPARE AN ACTION from the list below, when the user asks for it ("Erstelle dafür ein Issue", "mach ein Ticket draus", "kommentier das im Issue"). Output only compact JSON:
{"id": "<action id>", "summary": "<one short German sentence what will happen>", "params": {"<param>": "<value>", …}}
Fill all params of that action from the conversation, the message and the context. Nothing is executed until the user confirms.

[[NEW_ACTION]] — LEARN A NEW ACTION, when the user says something like "Füge das als Aktion hinzu", "merk dir das als Aktion", "das mache ich öfter". Derive a reusable action from what the user just did or describes. Output only compact JSON:
{"name": "<short German name>", "trigger": "<German: when to use it>", "kind": "github_issue" | "github_comment" | "shell" | "open_url",
 "instructions": "<German: how to fill the params, language, labels, style …>", "template": "<for shell/open_url: command or URL with {{param}} placeholders, else empty>",
 "parameters": ["<param names used in template; empty for github kinds>"]}
Prefer github_issue / github_comment with good instructions over shell. For shell commands, {{project_path}} and {{repo}} are available.

[[DOCUMENT]] — WRITE A DOCUMENT FILE, when the user asks for a file ("schreib mir das als Datei", "als Markdown") AND ON YOUR OWN whenever your answer to the user (not text for the reply field) would be long or needs formatting: more than about 12 lines or 200 words, several sections or headings, tables, checklists, step-by-step guides, concepts, summaries of long texts, comparisons, code longer than a few lines. Then don't squeeze it into a chat message – write a document. Text the user will insert into the field (a reply, an email) stays a DRAFT, even if it is long. Short answers stay CHAT. Format: the first line after the marker is a short German title (no #), then a blank line, then the full document in Markdown (headings, lists, tables where helpful). It is saved as a .md file the user can open.

Start your output with exactly one marker ([[CHAT]], [[DRAFT]], [[ACTION]], [[NEW_ACTION]] or [[DOCUMENT]]), followed directly by the content.

Rules for drafts:
- After the marker output ONLY the final text to insert. No quotes, no preamble, no explanations, no options.
- Never invent facts, prices, dates or promises that are not in the conversation, the user's input or the knowledge below. If something is unknown, stay vague in a natural way.
- Placeholders in square brackets like [PRICE] or [LINK] in the knowledge are unknown values: never output them.
- Match the platform: social media comments are short and conversational; emails may be longer.)text");

// Draft language when the setting leaves it to the message being answered.
const QString kAutomaticDraftLanguage = QStringLiteral(
    R"text(Draft language: the language of the message being answered, unless the user says otherwise. The user may talk to you in German; that does not change the draft language.)text");

const QString kNoProject = QStringLiteral(
    R"text(No project is connected for this message. GitHub actions need a project with a repo; if the user asks for one, answer with [[CHAT]] and tell them to pick or connect a project.)text");

// For a project whose folder the tool may read (it runs in that folder).
const QString kProjectCodeReadable = QStringLiteral(
    R"text(Your working directory is the project's folder. When the user's question depends on the actual code (e.g. "Kann unser Plugin da was machen?", "Haben wir das schon?"), look it up with your read-only tools (Read, Grep, Glob; `gh issue list`, `git log`) before answering. Check CLAUDE.md / README.md for orientation. Never modify files. Do not write any text before or between tool calls – only the final answer, starting with a marker. Keep lookups short (a few tool calls); for simple replies don't look anything up.
Only state facts, file names and numbers you actually verified with a tool. If you did not count or check something exactly, don't give a number (say "viele Ordner" instead of guessing).)text");

bool isBlankSetting(const QString& text) {
    return text.trimmed().isEmpty();
}

QString tonePhrase(TonePreset preset) {
    switch (preset) {
        case TonePreset::casual:
            return QStringLiteral("casual and relaxed");
        case TonePreset::professional:
            return QStringLiteral("professional");
        case TonePreset::short_:
            return QStringLiteral("short and to the point");
        case TonePreset::warm:
            return QStringLiteral("warm and friendly");
    }
    Q_UNREACHABLE();
}

QString draftLanguage(const QString& replyLanguage) {
    if (replyLanguage.isEmpty() || replyLanguage == QLatin1String("auto"))
        return kAutomaticDraftLanguage;
    return QStringLiteral("Draft language: always ") + replyLanguage +
           QStringLiteral(" unless the user says otherwise.");
}

std::optional<QString> toneSegment(const AssistantSettings& settings) {
    QStringList lines;
    if (!settings.tonePresets.isEmpty()) {
        QStringList phrases;
        for (TonePreset preset : settings.tonePresets)
            phrases << tonePhrase(preset);
        lines << QStringLiteral("Tone: ") + phrases.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    if (!isBlankSetting(settings.tone))
        lines << settings.tone;
    if (lines.isEmpty())
        return std::nullopt;
    return QStringLiteral("Tone and style of drafts:\n") + lines.join(QLatin1Char('\n'));
}

std::optional<QString> rulesSegment(const QStringList& rules) {
    QStringList lines;
    for (const QString& rule : rules) {
        if (!isBlankSetting(rule))
            lines << QStringLiteral("- ") + rule;
    }
    if (lines.isEmpty())
        return std::nullopt;
    return QStringLiteral(
               "Hard rules for drafts (always follow, even if the instruction is brief):\n") +
           lines.join(QLatin1Char('\n'));
}

QString actionLine(const AssistantAction& action) {
    // The GitHub kinds always take the parameters the runner reads, whatever is stored.
    const QStringList fixed = fixedParameters(action.kind);
    const QStringList params = fixed.isEmpty() ? action.parameters : fixed;
    QString line = QStringLiteral("- id \"") + action.id + QStringLiteral("\": ") + action.name +
                   QStringLiteral(" [") + rawValue(action.kind) + QStringLiteral("]. When: ") +
                   action.trigger + QStringLiteral(" Params: ") +
                   params.join(QStringLiteral(", ")) + QStringLiteral(". ");
    if (!isBlankSetting(action.instructions))
        line += QStringLiteral("How: ") + action.instructions;
    return line;
}

QString actionsSegment(const QList<AssistantAction>& customActions) {
    QStringList lines{QStringLiteral("Available actions:")};
    for (const AssistantAction& action : AssistantAction::builtIns())
        lines << actionLine(action);
    for (const AssistantAction& action : customActions)
        lines << actionLine(action);
    return lines.join(QLatin1Char('\n'));
}

QString projectSegment(const std::optional<Project>& project) {
    if (!project)
        return kNoProject;
    QStringList lines{QStringLiteral("Current project: ") + project->name + QLatin1Char('.')};
    if (project->repo)
        lines << QStringLiteral("GitHub repo: ") + *project->repo +
                     QStringLiteral(" (used for GitHub actions).");
    if (project->readsCode && project->folderURL())
        lines << kProjectCodeReadable;
    else
        lines << QStringLiteral("You cannot read the code of this project.");
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString system(const AssistantSettings& settings, const QString& appName,
               const std::optional<Project>& project, const std::optional<QString>& memory) {
    QStringList segments;
    segments << QString(kRoleAndModes).replace(QStringLiteral("«appName»"), appName);
    segments << draftLanguage(settings.replyLanguage);
    if (std::optional<QString> tone = toneSegment(settings))
        segments << *tone;
    if (settings.learnStyle && !isBlankSetting(settings.learnedStyle))
        segments << QStringLiteral(
                        "How the user writes (learned from their own texts and corrections; "
                        "follow it in drafts, the explicit tone above wins on conflicts):\n") +
                        settings.learnedStyle;
    if (std::optional<QString> rules = rulesSegment(settings.rules))
        segments << *rules;
    segments << actionsSegment(settings.customActions);
    segments << projectSegment(project);
    if (settings.includeKnowledge && !isBlankSetting(settings.aboutMe))
        segments << QStringLiteral("About the user:\n") + settings.aboutMe;
    if (settings.includeKnowledge && !isBlankSetting(settings.knowledge))
        segments << QStringLiteral("Knowledge the user provided (use when relevant):\n") +
                        settings.knowledge;
    if (memory)
        segments << *memory;
    return segments.join(QStringLiteral("\n\n"));
}

}  // namespace PromptBuilder
