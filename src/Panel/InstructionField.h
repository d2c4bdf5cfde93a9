#pragma once

#include <QWidget>

class AssistantSession;
class FieldIconButton;
class LiveTextLine;
class PanelActions;
class QLineEdit;
class Waveform;

// The panel's one-line input: the user types what the assistant is to do and Return runs the
// primary action. While dictation runs it shows the live text instead. It keeps no text of its
// own: typing writes the session's instruction at once.
class InstructionField : public QWidget {
    Q_OBJECT

public:
    InstructionField(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    // Large while nothing has been asked yet; smaller once a conversation or draft exists.
    void setLarge(bool large);
    bool isLarge() const { return large_; }
    // The corner radius, for the halo the panel draws around the field while it listens.
    qreal cornerRadius() const { return large_ ? 13 : 11; }

    QLineEdit* lineEdit() const { return edit_; }
    void focusField();

    // The hint the empty field shows, by what the session holds and its mode.
    static QString placeholder(const AssistantSession& session);
    // The live dictation line: the typed instruction (when it holds more than blanks) with
    // one blank, then the confirmed and the tentative words.
    static QString liveText(const AssistantSession& session);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void refreshColours();
    void onMicrophone();

    AssistantSession& session_;
    PanelActions& actions_;
    bool large_ = true;
    QLineEdit* edit_ = nullptr;
    LiveTextLine* live_ = nullptr;
    Waveform* waveform_ = nullptr;
    FieldIconButton* microphone_ = nullptr;
};
