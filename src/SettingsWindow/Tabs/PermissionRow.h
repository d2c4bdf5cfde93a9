#pragma once

#include <QWidget>
#include <functional>

#include "Design/Color.h"

class QWidget;
class StyledButton;
class WrappingLabel;

// One permission in the permission list: its tile, name and purpose, and either "Erlaubt"
// or the way to ask for it. What no request on this desktop can supply is said under the
// purpose; a button that could change nothing is off and says why when pointed at.
class PermissionRow : public QWidget {
    Q_OBJECT

public:
    struct Description {
        QString symbol;
        DS::Color color;
        QString title;
        QString detail;
        bool optional = false;
    };

    PermissionRow(const Description& description, bool compact, std::function<void()> request,
                  QWidget* parent = nullptr);

    bool isGranted() const { return granted_; }
    void setGranted(bool granted);
    // `reason`: what asking cannot supply here (empty: nothing); `canRequest`: whether the
    // button can change anything at all.
    void setObstacle(const QString& reason, bool canRequest);
    StyledButton* requestButton() const { return request_; }
    // The line that says what asking cannot supply; hidden when there is nothing to say.
    WrappingLabel* obstacleLine() const { return obstacle_; }

private:
    bool granted_ = false;
    QWidget* grantedLabel_;
    QWidget* missingLabel_ = nullptr;
    WrappingLabel* obstacle_;
    StyledButton* request_;
};
