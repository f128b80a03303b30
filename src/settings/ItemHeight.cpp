#include "settings/ItemHeight.h"

#include <QComboBox>
#include <QStyledItemDelegate>

namespace {
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

private:
    int height_;
};
}  // namespace

void SetListItemHeight(QComboBox* box, int height) {
    box->setItemDelegate(new FixedHeightDelegate(height, box));
}
