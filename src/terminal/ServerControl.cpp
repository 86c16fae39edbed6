#include "terminal/ServerControl.h"

#include <cerrno>
#include <cstring>

namespace veska::terminal {
namespace {

const QString kRunningCaption = QStringLiteral("Parar");
const QString kStoppedCaption = QStringLiteral("Iniciar");

QString startFailedText() {
    return QStringLiteral("Erro inicializando servidor.");
}

// Why a start failed: the library's own words when it offers them, else the reason it
// left in errno; empty when neither says anything.
QString startFailureReason(const TermServerApi& api, int code) {
    if (api.tc_lasterror != nullptr) {
        // The system's words, in the encoding of the program's locale (UTF-8), not the
        // code page of the terminals' text.
        const QString reason = QString::fromLocal8Bit(api.tc_lasterror());
        if (!reason.isEmpty())
            return reason;
    }
    if (code == 0)
        return {};
    char buffer[256] = {};
    // GNU strerror_r returns the text, which may or may not live in the buffer.
    return QString::fromLocal8Bit(strerror_r(code, buffer, sizeof buffer));
}

} // namespace

QString ServerControl::addressInUseLine() {
    return QStringLiteral("Outro programa já atende os terminais neste endereço: o "
                          "consulta_veska da área de trabalho ou o serviço consulta-veska. Só um "
                          "deles pode atender a loja; encerre o outro ou mude listen em "
                          "termserver.conf.");
}

ServerControl::ServerControl(const TermServerApi& api, ServerControlView& view, Notices& notices,
                             ActivityLog& log)
    : api_(api), view_(view), notices_(notices), log_(log) {}

bool ServerControl::running() const {
    return view_.startButtonCaption() == kRunningCaption;
}

void ServerControl::toggle() {
    if (running()) {
        stopServer();
        return;
    }
    startServer();
}

void ServerControl::startServer() {
    errno = 0;
    const std::int32_t started = api_.tc_startserver();
    const int reason = errno;
    if (started != 0) {
        log_.appendLine(QStringLiteral("Servidor inicializado com sucesso."));
        view_.setStartButtonCaption(kRunningCaption);
        view_.setMonitorButtonColor(kRunningColor);
        view_.setMessagesButtonEnabled(true);
        view_.clearTerminalList();
        view_.setRefreshTimerActive(true);
        view_.setPriceTimerActive(true);
        view_.armHideTimer();
        return;
    }
    // The log line is the fixed text; the reason, when known, follows on a line of its own.
    log_.appendLine(startFailedText());
    if (const QString why = startFailureReason(api_, reason); !why.isEmpty())
        log_.appendLine(why);
    if (reason == EADDRINUSE)
        log_.appendLine(addressInUseLine());
    view_.setRefreshTimerActive(false);
    view_.setPriceTimerActive(false);
    notices_.showNotice(startFailedText());
}

void ServerControl::stopServer() {
    const std::int32_t result = api_.bTerminate();
    if ((result & 0xFF) == 1) {
        log_.appendLine(QStringLiteral("Servidor interrompido."));
        view_.setRefreshTimerActive(false);
        view_.setPriceTimerActive(false);
        view_.setStartButtonCaption(kStoppedCaption);
        presentStopped();
        return;
    }
    log_.appendLine(startFailedText());
    notices_.showNotice(startFailedText());
}

void ServerControl::presentStopped() {
    view_.setMonitorButtonColor(kStoppedColor);
    view_.setMessagesButtonEnabled(false);
}

} // namespace veska::terminal
