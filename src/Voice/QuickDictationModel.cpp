#include "Voice/QuickDictationModel.h"

QuickDictationModel::QuickDictationModel(QObject* parent) : QObject(parent) {}

void QuickDictationModel::setStatus(const Status& status) {
    if (status == status_)
        return;
    status_ = status;
    emit statusChanged();
}

void QuickDictationModel::setVerbatim(bool verbatim) {
    if (verbatim == verbatim_)
        return;
    verbatim_ = verbatim;
    emit verbatimChanged();
}

void QuickDictationModel::setConfirmed(const QString& confirmed) {
    if (confirmed == confirmed_)
        return;
    confirmed_ = confirmed;
    emit confirmedChanged();
}

void QuickDictationModel::setTentative(const QString& tentative) {
    if (tentative == tentative_)
        return;
    tentative_ = tentative;
    emit tentativeChanged();
}

void QuickDictationModel::pushLevel(float level) {
    levels_.removeFirst();
    levels_.append(level);
    emit levelsChanged();
}

void QuickDictationModel::reset(bool verbatim) {
    setStatus(Status::of(Status::Kind::listening));
    setVerbatim(verbatim);
    setConfirmed({});
    setTentative({});
    const QVector<float> silent(levels_.size(), 0.0f);
    if (levels_ != silent) {
        levels_ = silent;
        emit levelsChanged();
    }
}
