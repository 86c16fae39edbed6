#include "app/ExitQuestion.h"

#include "app/MessageBoxes.h"
#include "app/platform/Screen.h"

#include <QMessageBox>
#include <QPushButton>

namespace veska::app {

bool askExitWithoutNotificationArea() {
    if (!platform::hasVisibleScreen())
        return false;
    QMessageBox box(QMessageBox::Question, applicationTitle(),
                    QStringLiteral("Não há área de notificação nesta área de trabalho.\n\n"
                                   "Sair encerra o servidor de consultas e salva o tipo de "
                                   "preço. Minimizar deixa a janela na barra de tarefas e o "
                                   "servidor atendendo os terminais."));
    QPushButton* exit = box.addButton(QStringLiteral("Sair"), QMessageBox::AcceptRole);
    QPushButton* minimise = box.addButton(QStringLiteral("Minimizar"), QMessageBox::RejectRole);
    box.setDefaultButton(minimise);
    box.setEscapeButton(minimise);
    box.exec();
    return box.clickedButton() == exit;
}

} // namespace veska::app
