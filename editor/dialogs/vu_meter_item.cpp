#include "editor/dialogs/vu_meter_item.h"

#include <QPainter>

#include "editor/toolkit/widget_window.h"
#include "editor/widgets/vu_meter.h"

namespace {

// A widget window without a host window: the tree's repaint requests go to the control.
class ItemWindow : public CGI_Window {
public:
    ItemWindow(QWidget* item, int w, int h) : CGI_Window(nullptr, w, h), item_(item) {}
    void Invalidate(int, int, int, int) override { item_->update(); }

private:
    QWidget* item_;
};

} // namespace

VUMeterItem::VUMeterItem(QWidget* parent) : QWidget(parent) {
    setMinimumSize(60, 104);
    window_ = std::make_unique<ItemWindow>(this, width(), height());
    meter_ = std::make_unique<CGP_VUMeter>(window_.get(), window_.get(), 0, 0, width(), height());
}

VUMeterItem::~VUMeterItem() {
    meter_.reset();
    window_.reset();
}

void VUMeterItem::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    dc.fillRect(rect(), palette().window());
    window_->Draw(dc, 0, 0, width(), height(), 0, 0);
}

void VUMeterItem::resizeEvent(QResizeEvent* event) {
    window_->Resize(width(), height());
    meter_->Resize(width(), height());
    QWidget::resizeEvent(event);
}
