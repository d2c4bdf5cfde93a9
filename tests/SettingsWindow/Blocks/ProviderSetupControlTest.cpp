#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include "SettingsWindow/Blocks/ProviderSetupControl.h"
#include "Design/ElidedLabel.h"
#include "Design/Spinner.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Design/TrailingLayout.h"
#include "Design/WrappingLabel.h"

using Phase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

namespace {

constexpr ProviderID claude = ProviderID::claudeCLI;

// Phases and states a test sets; every call the control makes is recorded.
class FakeServices final : public ProviderSetupServices {
public:
    Phase phase(ProviderID) const override { return phase_; }
    State state(ProviderID) const override { return state_; }
    void install(ProviderID p) override { calls << "install " + rawValue(p); }
    void login(ProviderID p) override { calls << "login " + rawValue(p); }
    void cancel(ProviderID p) override {
        calls << "cancel " + rawValue(p);
        set(Phase::idle(), state_);
    }
    void openLogin(ProviderID p) override { calls << "openLogin " + rawValue(p); }
    void openPage(const QUrl& url) override { calls << "openPage " + url.toString(); }

    void set(Phase phase, State state) {
        phase_ = std::move(phase);
        state_ = std::move(state);
        emit changed();
    }

    QStringList calls;

private:
    Phase phase_;
    State state_;
};

// What the control shows, in order: button texts, "spinner", "✓ <text>" for the mark and
// plain texts of labels.
QStringList shown(const ProviderSetupControl& control) {
    QStringList items;
    const auto children = control.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (!child->isVisibleTo(&control))
            continue;
        if (auto* button = qobject_cast<StyledButton*>(child))
            items << button->text();
        else if (qobject_cast<Spinner*>(child))
            items << QStringLiteral("spinner");
        else if (auto* mark = qobject_cast<SymbolLabel*>(child))
            items << "✓ " + mark->accessibleName();
        else if (auto* label = qobject_cast<WrappingLabel*>(child))
            items << label->text();
        else if (!child->accessibleName().isEmpty() && child->inherits("ElidedLabel"))
            items << child->accessibleName();
    }
    return items;
}

TEST(ProviderSetupControlTest, ShowsWhatCanBeDoneNextForEachPhaseAndStatus) {
    const QUrl page(QStringLiteral("https://example.org/sign-in"));
    struct Case {
        const char* name;
        Phase phase;
        State state;
        bool compact;
        QStringList items;
    };
    const Case cases[] = {
        {"never checked", Phase::idle(), State::unknown(), false, {"spinner"}},
        {"checking", Phase::idle(), State::checking(), true, {"spinner"}},
        {"missing", Phase::idle(), State::notFound(), false, {"Installieren"}},
        {"signed out", Phase::idle(), State::notLoggedIn(), false, {"Anmelden"}},
        {"ready, compact", Phase::idle(), State::ready(), true, {"✓ Verbunden"}},
        {"ready", Phase::idle(), State::ready(QStringLiteral("a@b.de")), false, {"Neu anmelden"}},
        {"installing",
         Phase::installing(),
         State::notFound(),
         false,
         {"spinner", "Wird installiert …"}},
        {"installing, status aside",
         Phase::installing(),
         State::ready(),
         true,
         {"spinner", "Wird installiert …"}},
        {"browser, no address yet",
         Phase::waitingForLogin(),
         State::notLoggedIn(),
         false,
         {"spinner", "Anmeldung im Browser …", "Abbrechen"}},
        {"browser with address",
         Phase::waitingForLogin(page),
         State::notLoggedIn(),
         false,
         {"spinner", "Anmeldung im Browser …", "Seite öffnen", "Abbrechen"}},
        // A terminal cannot sign in to a tool that is not there.
        {"failed, missing",
         Phase::failed("Download fehlgeschlagen"),
         State::notFound(),
         false,
         {"Download fehlgeschlagen", "Installieren"}},
        {"failed, signed out",
         Phase::failed("Abgebrochen"),
         State::notLoggedIn(),
         false,
         {"Abgebrochen", "Im Terminal anmelden", "Anmelden"}},
        {"failed, ready, compact",
         Phase::failed("x"),
         State::ready(),
         true,
         {"x", "Im Terminal anmelden", "✓ Verbunden"}},
        {"failed, ready",
         Phase::failed("x"),
         State::ready(),
         false,
         {"x", "Im Terminal anmelden", "Neu anmelden"}},
        {"failed, checking",
         Phase::failed("<b>x</b>"),
         State::checking(),
         false,
         {"<b>x</b>", "spinner"}},
        {"failed, never checked", Phase::failed("x"), State::unknown(), true, {"x", "spinner"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServices services;
        services.set(c.phase, c.state);
        ProviderSetupControl control(claude, services, c.compact);
        EXPECT_EQ(shown(control), c.items);
    }
}

StyledButton* button(const ProviderSetupControl& control, const QString& text) {
    for (StyledButton* b : control.findChildren<StyledButton*>()) {
        if (b->text() == text && b->isVisibleTo(&control))
            return b;
    }
    return nullptr;
}

TEST(ProviderSetupControlTest, ButtonsStartTheirStepAndCancelReturnsToTheStatusButtonAtOnce) {
    const QUrl page(QStringLiteral("https://example.org/sign-in"));
    struct Case {
        Phase phase;
        State state;
        QString press;
        QString call;
    };
    const Case cases[] = {
        {Phase::idle(), State::notFound(), "Installieren", "install claudeCLI"},
        {Phase::idle(), State::notLoggedIn(), "Anmelden", "login claudeCLI"},
        {Phase::idle(), State::ready(), "Neu anmelden", "login claudeCLI"},
        {Phase::failed("x"), State::notLoggedIn(), "Im Terminal anmelden", "openLogin claudeCLI"},
        {Phase::waitingForLogin(page), State::notLoggedIn(), "Seite öffnen",
         "openPage https://example.org/sign-in"},
        {Phase::waitingForLogin(page), State::notLoggedIn(), "Abbrechen", "cancel claudeCLI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press.toStdString());
        FakeServices services;
        services.set(c.phase, c.state);
        ProviderSetupControl control(claude, services, false);
        control.show();
        StyledButton* pressed = button(control, c.press);
        ASSERT_NE(pressed, nullptr);
        QTest::mouseClick(pressed, Qt::LeftButton);
        EXPECT_EQ(services.calls, QStringList{c.call});
        if (c.press == "Abbrechen") {
            // No event loop turn needed: the status button is there right away.
            EXPECT_EQ(shown(control), QStringList{"Anmelden"});
        }
    }
}

TEST(ProviderSetupControlTest, AnAddressArrivingWhileWaitingAddsThePageButton) {
    FakeServices services;
    services.set(Phase::waitingForLogin(), State::notLoggedIn());
    ProviderSetupControl control(claude, services, true);
    EXPECT_EQ(button(control, "Seite öffnen"), nullptr);
    services.set(Phase::waitingForLogin(QUrl("https://example.org/a")), State::notLoggedIn());
    EXPECT_NE(button(control, "Seite öffnen"), nullptr);
}

}  // namespace

namespace {

// Beside a tool's name and state the progress text is never cut ("Anmeldung i…"): without
// room for it the control goes under them.
TEST(ProviderSetupControlTest, TheProgressTextIsNeverCut) {
    FakeServices services;
    services.set(Phase::waitingForLogin(QUrl("https://example.org/a")), State::notLoggedIn());
    for (const int width : {620, 440, 400}) {
        SCOPED_TRACE(width);
        QWidget row;
        auto* control = new ProviderSetupControl(claude, services, false);
        new TrailingLayout(&row, new QLabel(QStringLiteral("Nicht angemeldet")), control, 12);
        row.resize(width, row.heightForWidth(width));
        row.show();
        QCoreApplication::processEvents();
        auto* progress = control->findChild<ElidedLabel*>();
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(progress->shownText(), progress->text());
    }
}

TEST(ProviderSetupControlTest, ALongFailureMessageWrapsWithoutLosingALine) {
    FakeServices services;
    services.set(Phase::failed(QString("Die Anmeldung wurde nicht abgeschlossen. ").repeated(3)),
                 State::notLoggedIn());
    // A settings row: a title, then the control in a column of fixed width.
    QWidget page;
    auto* pageLayout = new QVBoxLayout(&page);
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->addWidget(new QLabel(QStringLiteral("Claude")));
    auto* column = new QWidget;
    column->setFixedWidth(420);
    auto* columnLayout = new QHBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    auto* control = new ProviderSetupControl(claude, services, false);
    columnLayout->addWidget(control);
    rowLayout->addWidget(column);
    rowLayout->addStretch(1);
    pageLayout->addWidget(row);
    page.setFixedWidth(620);
    page.adjustSize();
    page.show();
    WrappingLabel* message = control->findChild<WrappingLabel*>();
    ASSERT_NE(message, nullptr);
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));
    EXPECT_GT(message->lines().size(), 1);
}

}  // namespace
