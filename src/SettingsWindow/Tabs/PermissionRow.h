#pragma once

#include <QWidget>
#include <functional>

#include "Design/Color.h"

class QWidget;
class StyledButton;

// One permission in the permission list: its tile, name and purpose, and either "Erlaubt"
// or the way to ask for it.
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
    StyledButton* requestButton() const { return request_; }

private:
    bool granted_ = false;
    QWidget* grantedLabel_;
    QWidget* missingLabel_ = nullptr;
    StyledButton* request_;
};
