// Every control of the main window against its place, size and text at 96 dpi, at the
// initial size and after the window is enlarged.

#include "RecordingMessageBoxes.h"
#include "TestProvider.h"
#include "app/TFConsulta.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <gtest/gtest.h>

using veska::app::TFConsulta;

namespace {

struct Expected {
    const char* name;
    const char* parent;
    QRect rect;
    const char16_t* text; // nullptr: not checked
};

const Expected kLayout[] = {
    {"BtnMonitora", "Panel1", {1, 0, 130, 29}, u"Monitoramento"},
    {"BtnMensagens", "Panel1", {1, 28, 130, 29}, u"Mensagens"},
    {"BtnProdutos", "Panel1", {1, 56, 130, 29}, u"Produtos"},
    {"Image1", "Panel1", {7, 88, 116, 47}, u""},
    {"RadioButton1", "Panel1", {8, 143, 113, 17}, nullptr},
    {"RadioButton2", "Panel1", {8, 160, 113, 17}, u"Preço Varejo"},
    {"TxtConectados", "Panel1", {7, 189, 113, 17}, u"Terminais Conectados:"},
    {"ListTerms", "Panel1", {1, 207, 128, 198}, nullptr},
    {"StaticText2", "TabMonitora", {9, 5, 53, 17}, u"Atividade:"},
    {"MemoRecv", "TabMonitora", {9, 28, 504, 334}, nullptr},
    {"BtnIniciar", "TabMonitora", {8, 366, 75, 25}, u"Iniciar"},
    {"BtnLimparMemo", "TabMonitora", {464, 368, 49, 24}, u"Limpar"},
    {"GrpIMsg", "TabMensagens", {8, 16, 297, 145}, u"Mensagem Instantânea"},
    {"LabLine1", "GrpIMsg", {12, 27, 34, 13}, u"Linha 1"},
    {"LabLine2", "GrpIMsg", {12, 51, 34, 13}, u"Linha 2"},
    {"LabTimeEx", "GrpIMsg", {11, 75, 55, 13}, u"Tempo Exib"},
    {"EdtLine1", "GrpIMsg", {72, 24, 201, 21}, u"VESKA "},
    {"EdtLine2", "GrpIMsg", {72, 48, 201, 21}, u"INFORMATICA"},
    {"EdtTimeEx", "GrpIMsg", {72, 72, 25, 21}, u"4"},
    {"BtnMsgSend", "GrpIMsg", {78, 104, 75, 25}, u"Enviar"},
    {"GridProdutos", "TabProdutos", {3, 3, 522, 327}, nullptr},
    {"DBNavigator1", "TabProdutos", {3, 336, 522, 25}, nullptr},
    {"EdtPesquisar", "TabProdutos", {3, 370, 219, 21}, u""},
    {"BtnPesquisar", "TabProdutos", {227, 368, 75, 25}, u"Pesquisar"},
};

QString textOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

class TFConsultaLayout : public ::testing::Test {
protected:
    RecordingMessageBoxes boxes;
    TFConsulta window{{&veska::terminal::test::providerApi(), &boxes, false}};

    QWidget* control(const char* name) {
        auto* w = window.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The rectangle that grows with the page when the window is enlarged by (dw, dh).
    static QRect grown(const Expected& e, int dw, int dh) {
        const QString name = QLatin1String(e.name);
        if (name == QLatin1String("MemoRecv") || name == QLatin1String("GrpIMsg"))
            return e.rect.adjusted(0, 0, dw, dh);
        if (name == QLatin1String("BtnLimparMemo"))
            return e.rect.translated(dw, dh);
        return e.rect;
    }
};

} // namespace

TEST_F(TFConsultaLayout, WindowCaptionClientAreaAndRegions) {
    EXPECT_EQ(window.windowTitle(),
              QStringLiteral("VESKA -Sistema de Consulta de  Preços (Versâo: 1.03)"));
    EXPECT_EQ(window.size(), QSize(668, 404));
    EXPECT_EQ(control("Panel1")->geometry(), QRect(0, 0, 132, 404));
    EXPECT_EQ(control("PC")->geometry(), QRect(132, 0, 536, 404));
    for (const char* page : {"TabMonitora", "TabMensagens", "TabProdutos"}) {
        QWidget* p = control(page);
        EXPECT_EQ(p->mapTo(control("PC"), QPoint(0, 0)), QPoint(4, 4)) << page;
        EXPECT_EQ(p->size(), QSize(528, 396)) << page;
    }
    EXPECT_EQ(window.font().pixelSize(), 11);
}

TEST_F(TFConsultaLayout, EveryControlStandsWhereTheLayoutPutsIt) {
    for (const Expected& e : kLayout) {
        QWidget* w = control(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), QLatin1String(e.parent)) << e.name;
        EXPECT_EQ(w->geometry(), e.rect) << e.name;
        if (e.text) {
            EXPECT_EQ(textOf(w), QString::fromUtf16(e.text)) << e.name;
        }
    }
    EXPECT_EQ(window.EdtLine1->maxLength(), 20);
    EXPECT_EQ(window.EdtLine2->maxLength(), 20);
    EXPECT_TRUE(window.BtnPesquisar->isDefault());
}

TEST_F(TFConsultaLayout, EnlargingMovesOnlyTheLogLimparAndTheMessageGroup) {
    window.show();
    window.resize(668 + 150, 404 + 90);
    EXPECT_EQ(control("Panel1")->geometry(), QRect(0, 0, 132, 494));
    EXPECT_EQ(control("TabMonitora")->size(), QSize(528 + 150, 396 + 90));
    for (const Expected& e : kLayout)
        EXPECT_EQ(control(e.name)->geometry(), grown(e, 150, 90)) << e.name;
    window.resize(668, 404);
    for (const Expected& e : kLayout)
        EXPECT_EQ(control(e.name)->geometry(), e.rect) << e.name;
}

TEST_F(TFConsultaLayout, TabOrderFollowsTheLayout) {
    const auto next = [&](const char* name) {
        return control(name)->nextInFocusChain()->objectName();
    };
    EXPECT_EQ(next("BtnMonitora"), QStringLiteral("BtnMensagens"));
    EXPECT_EQ(next("BtnMensagens"), QStringLiteral("BtnProdutos"));
    EXPECT_EQ(next("BtnProdutos"), QStringLiteral("ListTerms"));
    EXPECT_EQ(next("EdtLine1"), QStringLiteral("EdtLine2"));
    EXPECT_EQ(next("EdtLine2"), QStringLiteral("EdtTimeEx"));
    EXPECT_EQ(next("EdtTimeEx"), QStringLiteral("BtnMsgSend"));
    EXPECT_EQ(next("EdtPesquisar"), QStringLiteral("BtnPesquisar"));
}

TEST_F(TFConsultaLayout, TheSidePanelButtonsAloneSwitchThePages) {
    EXPECT_EQ(window.currentPage(), TFConsulta::Page::Monitoring);
    window.BtnProdutos->click();
    EXPECT_EQ(window.currentPage(), TFConsulta::Page::Products);
    window.BtnMonitora->click();
    EXPECT_EQ(window.currentPage(), TFConsulta::Page::Monitoring);
    // No tabs: the page area offers no tab bar to click or key through.
    EXPECT_EQ(window.findChildren<QTabBar*>().size(), 0);
}
