#include "Panel/PanelTexts.h"

#include <QCoreApplication>

#include "Platform/Characters.h"
#include "Platform/InterfaceLocale.h"

namespace PanelTexts {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("PanelView", text);
}

// Blanks and tabs only: a line break inside a title is the window's own and stays.
QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text.at(start) == u' ' || text.at(start) == u'\t'))
        ++start;
    while (end > start && (text.at(end - 1) == u' ' || text.at(end - 1) == u'\t'))
        --end;
    return text.mid(start, end - start);
}

QString withoutGoogle(QString name) {
    return name.remove(QStringLiteral("Google "));
}

}  // namespace

QLocale interfaceLocale() {
    return InterfaceLocale::locale();
}

QString quoted(const QString& text, const QLocale& locale) {
    const QString marks = locale.quoteString(QString());
    const QString open = marks.size() == 2 ? marks.left(1) : QStringLiteral("\u201C");
    const QString close = marks.size() == 2 ? marks.right(1) : QStringLiteral("\u201D");
    const QString inside = open == QStringLiteral("\u00AB") ? QStringLiteral("\u202F") : QString();
    return open + inside + text + inside + close;
}

std::optional<QString> siteName(const std::optional<QString>& title, const QString& app) {
    if (!title)
        return std::nullopt;
    QString t = trimBlanks(*title);
    if (t.isEmpty())
        return std::nullopt;
    const QString shortApp = withoutGoogle(app);
    for (const QString& separator :
         {QStringLiteral(" \u2013 "), QStringLiteral(" - "), QStringLiteral(" \u2014 ")}) {
        qsizetype at = t.indexOf(separator + app);
        if (at < 0)
            at = t.indexOf(separator + shortApp);
        if (at >= 0)
            t = t.left(at);
    }
    if (t.startsWith(u'(')) {
        const qsizetype close = t.indexOf(u')');
        if (close >= 0)
            t = trimBlanks(t.mid(close + 1));
    }
    const qsizetype bar = t.indexOf(QStringLiteral(" | "));
    if (bar >= 0)
        t = t.mid(bar + 3);
    if (t.isEmpty())
        return std::nullopt;
    return Characters::prefix(t, 32);
}

QString contextTitle(const std::optional<ContextSnapshot>& context,
                     const std::optional<Platform::RunningApplication>& targetApp) {
    if (!context) {
        if (targetApp && !targetApp->localizedName.isEmpty())
            return targetApp->localizedName;
        return QStringLiteral("Tavrin");
    }
    const QString name = withoutGoogle(context->appName);
    const auto site = siteName(context->windowTitle, context->appName);
    if (site && *site != name)
        return name + QStringLiteral(" \u00B7 ") + *site;
    return name;
}

QString contextDetail(const DetailInputs& inputs) {
    static const std::optional<ContextSnapshot> none;
    const std::optional<ContextSnapshot>& context = inputs.context ? *inputs.context : none;
    if (inputs.showsScreenHint && inputs.ready)
        return tr("Kein Kontext");
    if (inputs.showsQuotePlaceholder)
        return tr("Nachricht wird gelesen …");
    if (inputs.quoteIsSelection && (!context || !context->fieldLabel))
        return tr("Markierter Text");
    if (context && context->fieldLabel)
        return *context->fieldLabel;
    if (!context || context->fieldEditable)
        return tr("Eingabefeld");
    return tr("Bildschirm");
}

QString projectToolTip(const std::optional<Project>& project) {
    if (!project)
        return tr("Kein Projekt zugeordnet");
    QString text = tr("Projekt: ") + project->name;
    if (project->repo)
        text += QStringLiteral(" \u00B7 ") + *project->repo;
    return text;
}

QString waitText(WaitStep step, const QString& modelLabel, ProviderID provider) {
    const QString name = !modelLabel.isEmpty()              ? modelLabel
                         : provider == ProviderID::codexCLI ? QStringLiteral("ChatGPT")
                                                            : QStringLiteral("Claude");
    switch (step) {
        case WaitStep::capturing:
            return tr("Liest den Bildschirm …");
        case WaitStep::connecting:
            return tr("Fragt %1 …").arg(name);
        case WaitStep::thinking:
            return tr("%1 denkt nach …").arg(name);
        case WaitStep::writingDraft:
            return tr("%1 schreibt …").arg(name);
        case WaitStep::writingOther:
            break;
    }
    return tr("%1 antwortet …").arg(name);
}

QString elapsedText(qint64 wholeSeconds) {
    if (wholeSeconds < 2)
        return {};
    return QString::number(wholeSeconds) + QStringLiteral(" s");
}

DraftSplit splitDraft(const QString& draft) {
    const qsizetype head = draftHeadLength(draft);
    return {draft.left(head), draft.mid(head)};
}

qsizetype draftHeadLength(QStringView draft) {
    for (qsizetype i = draft.size() - 1; i >= 0; --i) {
        const QChar c = draft.at(i);
        if (c == u' ' || c == u'\n')
            return i + 1;
    }
    return 0;
}

}  // namespace PanelTexts
