#include "app/bpmrangedialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

BpmRangeDialog::BpmRangeDialog(const BpmRange &range, QWidget *parent)
    : QDialog(parent), lowBox(new QSpinBox(this)), highBox(new QSpinBox(this))
{
    setWindowTitle(tr("BPM Range"));
    const BpmRange full;
    lowBox->setObjectName(QStringLiteral("lowBox"));
    highBox->setObjectName(QStringLiteral("highBox"));
    lowBox->setRange(full.low, range.high);
    highBox->setRange(range.low, full.high);
    lowBox->setValue(range.low);
    highBox->setValue(range.high);
    // Each end bounds the other, so the two never cross.
    connect(lowBox, &QSpinBox::valueChanged, highBox, &QSpinBox::setMinimum);
    connect(highBox, &QSpinBox::valueChanged, lowBox, &QSpinBox::setMaximum);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QFormLayout(this);
    layout->addRow(tr("Lowest BPM"), lowBox);
    layout->addRow(tr("Highest BPM"), highBox);
    layout->addRow(buttons);
}

BpmRange BpmRangeDialog::range() const { return {lowBox->value(), highBox->value()}; }
