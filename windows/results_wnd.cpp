#include "windows/results_wnd.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "windows/results_list.h"
#include "windows/tabular_results_wnd.h"

namespace {

// Stands in for the cards until they are plugged in: one line per row, file name first.
class PlainStackedWnd final : public QWidget, public StackedPresentation {
public:
    explicit PlainStackedWnd(QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
    }
    QWidget* Widget() override { return this; }
    void Attach(ResultsListObj* list) override { list_ = list; update(); }
    void Detach() override { list_ = nullptr; update(); }
    void InsertRow(const SoundFileObj&, const SoundVariantObj&, bool) override { update(); }
    void Refresh() override { update(); }
    void Clear() override { update(); }
    void EnsureRowVisible(int) override {}
    void RedrawRow(int) override { update(); }
    void SetRowPlayState(int, bool, bool) override {}
    void ShowRowProgress(const std::string&, const std::string&, int) override {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (list_ == nullptr)
            return;
        const int line = fontMetrics().height() + 4;
        for (int row = 0; row < list_->Count() && row * line < height(); ++row)
            p.drawText(QRect(8, row * line, width() - 16, line), Qt::AlignVCenter,
                       QString::fromStdString(TabularCellText(list_->Entry(row), kColFileName,
                                                              list_->Kind())));
    }

private:
    ResultsListObj* list_ = nullptr;
};

} // namespace

StackedPresentationMaker& StackedPresentationFactory() {
    static StackedPresentationMaker maker = [](QWidget* parent) {
        return std::unique_ptr<StackedPresentation>(new PlainStackedWnd(parent));
    };
    return maker;
}

ResultsWnd::ResultsWnd(QWidget* parent, TabularResultsServices* services) : QWidget(parent) {
    // Both presentations exist from the start, hidden, at the client size.
    tabular_ = new TabularResultsWnd(this, services);
    tabular_->hide();
    tabular_->setGeometry(rect());
    stacked_ = StackedPresentationFactory()(this);
    stacked_->Widget()->hide();
    stacked_->Widget()->setGeometry(rect());
}

ResultsWnd::~ResultsWnd() {
    if (list_ != nullptr && list_->Window() == this)
        list_->SetWindow(nullptr);
    // The cards go first: they may hold on to the table's list while being torn down.
    stacked_.reset();
}

void ResultsWnd::Attach(ResultsListObj* list, unsigned hiddenMask) {
    if (list_ != nullptr)
        Detach();
    list_ = list;
    mask_ = hiddenMask;
    if (list_ != nullptr)
        list_->SetWindow(this);
    tabular_->Attach(list, hiddenMask);
    stacked_->Attach(list);
    // Rows the list already holds show at once.
    if (list_ != nullptr && list_->Count() > 0)
        Refresh();
}

void ResultsWnd::Detach() {
    tabular_->Detach();
    stacked_->Detach();
    if (list_ != nullptr && list_->Window() == this)
        list_->SetWindow(nullptr);
    list_ = nullptr;
}

void ResultsWnd::ShowTabular() {
    tabularShown_ = true;
    stacked_->Widget()->hide();
    tabular_->resize(size());
    tabular_->show();
}

void ResultsWnd::ShowStacked() {
    tabularShown_ = false;
    tabular_->hide();
    stacked_->Widget()->resize(size());
    stacked_->Widget()->show();
}

void ResultsWnd::FocusActivePresentation() {
    if (tabularShown_)
        tabular_->Columns()->setFocus(Qt::OtherFocusReason);
    else
        stacked_->Widget()->setFocus(Qt::OtherFocusReason);
}

void ResultsWnd::InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, bool show) {
    const int score = list_ != nullptr && list_->Count() > 0 ? list_->Entry(list_->Count() - 1).score : 0;
    tabular_->InsertRow(file, variant, score);
    stacked_->InsertRow(file, variant, show);
}

void ResultsWnd::Refresh() {
    tabular_->Refresh();
    stacked_->Refresh();
}

void ResultsWnd::Clear() {
    tabular_->Clear();
    stacked_->Clear();
}

void ResultsWnd::EnsureRowVisible(int row) {
    tabular_->EnsureRowVisible(row);
    stacked_->EnsureRowVisible(row);
}

void ResultsWnd::RedrawRow(int row) {
    tabular_->RedrawRow(row);
    stacked_->RedrawRow(row);
}

void ResultsWnd::SetRowPlayState(int row, bool playing, bool looping) {
    tabular_->SetRowPlayState(row, playing, looping);
    stacked_->SetRowPlayState(row, playing, looping);
}

void ResultsWnd::ShowRowProgress(const std::string& text, const std::string& url, int percent) {
    tabular_->ShowRowProgress(text, url, percent);
    stacked_->ShowRowProgress(text, url, percent);
}

QWidget* ResultsWnd::Frame() {
    return window();
}

void ResultsWnd::resizeEvent(QResizeEvent*) {
    tabular_->setGeometry(rect());
    stacked_->Widget()->setGeometry(rect());
}
