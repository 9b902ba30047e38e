#pragma once

class QCoreApplication;

// Installs Qt's own translation, so its buttons and dialogs ("Oui", "Annuler", "Ouvrir"...)
// speak the system's language when Qt has it, and French otherwise, like the rest of the
// program. False when no translation file could be loaded.
bool installQtTranslation(QCoreApplication &app);
