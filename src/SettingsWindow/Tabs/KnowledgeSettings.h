#pragma once

#include <QWidget>

class NoteCard;
class SettingsCoordinator;

// The "Über mich & Wissen" tab: who the user is, and what the assistant may rely on.
class KnowledgeSettings : public QWidget {
    Q_OBJECT

public:
    explicit KnowledgeSettings(SettingsCoordinator& coordinator, QWidget* parent = nullptr);

    NoteCard* aboutMe() const { return aboutMe_; }
    NoteCard* knowledge() const { return knowledge_; }

private:
    NoteCard* aboutMe_;
    NoteCard* knowledge_;
};
