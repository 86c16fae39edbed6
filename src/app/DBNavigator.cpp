#include "app/DBNavigator.h"

#include <QToolButton>

namespace veska::app {

namespace {

struct ButtonFace {
    const char16_t* glyph;
    const char16_t* hint;
};

constexpr std::array<ButtonFace, TDBNavigator::kButtonCount> kFaces = {{
    {u"|◀", u"Primeiro"},
    {u"◀", u"Anterior"},
    {u"▶", u"Próximo"},
    {u"▶|", u"Último"},
    {u"+", u"Inserir"},
    {u"−", u"Excluir"},
    {u"▲", u"Editar"},
    {u"✓", u"Gravar"},
    {u"✕", u"Cancelar"},
}};

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf16(kFaces[i].glyph));
        b->setToolTip(QString::fromUtf16(kFaces[i].hint));
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);
        const auto which = static_cast<Button>(i);
        connect(b, &QToolButton::clicked, this, [this, which] {
            if (onMove)
                onMove(which);
        });
        buttons_[i] = b;
    }
}

void TDBNavigator::setState(const State& state) {
    buttons_[nbFirst]->setEnabled(state.open && !state.atBeginning);
    buttons_[nbPrior]->setEnabled(state.open && !state.atBeginning);
    buttons_[nbNext]->setEnabled(state.open && !state.atEnd);
    buttons_[nbLast]->setEnabled(state.open && !state.atEnd);
    for (int i = nbInsert; i <= nbCancel; ++i)
        buttons_[i]->setEnabled(false);
}

void TDBNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The buttons share the width evenly; the rounding remainder goes to the first ones.
    const int w = width() / kButtonCount;
    int extra = width() % kButtonCount;
    int x = 0;
    for (QToolButton* b : buttons_) {
        const int bw = w + (extra-- > 0 ? 1 : 0);
        b->setGeometry(x, 0, bw, height());
        x += bw;
    }
}

} // namespace veska::app
