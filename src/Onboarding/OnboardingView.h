#pragma once

#include <QList>
#include <QPoint>
#include <QUrl>
#include <QWidget>
#include <optional>

class FeatureRow;
class OnboardingCoordinator;
class ProviderCard;
class QLabel;
class QStackedLayout;
class StyledButton;
class WrappingLabel;

// The whole content of the onboarding window: three steps (welcome, permissions, connecting
// an AI tool) above a footer with the step dots and the buttons. The step survives closing
// the window, which keeps this view.
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    static constexpr int steps = 3;
    // As large as it likes to be; a smaller screen makes it smaller.
    static constexpr QSize size{520, 520};
    // A new step fades in over this many milliseconds.
    static constexpr int fadeDuration = 250;
    static const QUrl claudePlansUrl;
    static const QUrl chatGPTPricingUrl;

    explicit OnboardingView(OnboardingCoordinator& coordinator, QWidget* parent = nullptr);

    int step() const { return step_; }
    // What Return does: the primary button.
    void primaryAction();
    void back();

    StyledButton* primaryButton() const { return primary_; }
    StyledButton* backButton() const { return back_; }
    FeatureRow* shortcutRow() const { return shortcutRow_; }
    QList<ProviderCard*> providerCards() const { return cards_; }
    QLabel* linkLine() const { return links_; }
    QString title() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* welcome();
    QWidget* permissionsStep();
    QWidget* providerStep();
    QWidget* footer();
    QWidget* stepPage(QWidget* content);
    void showStep();
    void showPrimaryTitle();
    void showShortcut();
    void showLinks();
    void alignKeys();
    void fadeIn(QWidget* page);

    OnboardingCoordinator& coordinator_;
    int step_ = 0;
    QStackedLayout* pages_ = nullptr;
    QList<WrappingLabel*> titles_;
    FeatureRow* shortcutRow_ = nullptr;
    QWidget* shortcutRowHolder_ = nullptr;
    QList<FeatureRow*> featureRows_;
    QList<ProviderCard*> cards_;
    QLabel* links_ = nullptr;
    QList<QWidget*> dots_;
    StyledButton* back_ = nullptr;
    StyledButton* primary_ = nullptr;
    // Where a press on the background began, until the pointer moves far enough to drag.
    std::optional<QPoint> pressedAt_;
};
