#pragma once

#include <QWidget>

// The instruction field's line while the user dictates: the typed and confirmed words in the
// label colour, the words still changing in a quieter one, cut at the start when the line is
// full so that the newest words stay in view; "Sprich jetzt …" while nothing is there yet.
class LiveTextLine : public QWidget {
    Q_OBJECT

public:
    explicit LiveTextLine(QWidget* parent = nullptr);

    void setText(const QString& settled, const QString& tentative, bool showsPrompt);

    // What is drawn at `width` with the widget's font: the settled and the tentative part.
    std::pair<QString, QString> shown(qreal width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString settled_;
    QString tentative_;
    bool showsPrompt_ = false;
};
