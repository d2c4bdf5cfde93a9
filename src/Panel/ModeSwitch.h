#pragma once

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include "Panel/AssistantSession.h"

// The segmented capsule that chooses what the next instruction asks for: auto, discuss or
// write. It only sets the session's mode; nothing is sent.
class ModeSwitch : public QWidget {
    Q_OBJECT

public:
    // One mode of the switch.
    class Segment : public QAbstractButton {
    public:
        Segment(AssistantSession::Mode mode, QWidget* parent);
        AssistantSession::Mode mode() const { return mode_; }
        QSize sizeHint() const override;
        QSize minimumSizeHint() const override { return sizeHint(); }

    protected:
        void paintEvent(QPaintEvent* event) override;

    private:
        QFont labelFont() const;
        AssistantSession::Mode mode_;
    };

    explicit ModeSwitch(AssistantSession& session, QWidget* parent = nullptr);

    const QList<Segment*>& segments() const { return segments_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AssistantSession& session_;
    QList<Segment*> segments_;
};
