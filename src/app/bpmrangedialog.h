#pragma once

#include "library/bpmrange.h"

#include <QDialog>

class QSpinBox;

// Asks for the preferred BPM range: two whole tempos within 50 to 200, the
// lower never above the upper.
class BpmRangeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BpmRangeDialog(const BpmRange &range, QWidget *parent = nullptr);
    BpmRange range() const;

    QSpinBox *lowBox;
    QSpinBox *highBox;
};
