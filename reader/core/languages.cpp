#include "languages.h"

using namespace Qt::StringLiterals;

namespace zol {

namespace {

LanguageTable table(const char16_t *dutch, const char16_t *english, const char16_t *german,
                    const char16_t *french)
{
    return {QString::fromUtf16(dutch), QString::fromUtf16(english), QString::fromUtf16(german),
            QString::fromUtf16(french)};
}

} // namespace

void fillLanguageTables(LanguageTables &t)
{
    // Open, Save, Print and Exit carry an access key of their own, one that
    // no other item of the File menu has in that language.
    t.sFile = table(u"&Bestand", u"&File", u"&Datei", u"&Fichier");
    t.sOpen = table(u"&Openen", u"&Open", u"Ö&ffnen", u"&Ouvrir");
    t.sSave = table(u"Op&slaan", u"&Save", u"&Speichern", u"&Enregistrer");
    t.sPrint = table(u"&Afdrukken", u"&Print", u"&Drucken", u"&Imprimer");
    t.sThispage = table(u"Huidige pagina", u"Current page", u"Diese Seite", u"Cette page");
    t.sAllpages = table(u"Alle pagina's", u"All pages", u"Alle Seiten", u"Toute les pages");
    t.sPreview =
        table(u"Afdrukvoorbeeld", u"Preview", u"Seitenansicht", u"Aperçu avant impression");
    t.sToPdf = table(u"Naar PDF-bestand...", u"To PDF file...", u"In PDF-Datei...",
                     u"Vers un fichier PDF...");
    t.sExit = table(u"Afsl&uiten", u"E&xit", u"&Beenden", u"&Quitter");
    t.sComm = table(u"&Communicatie", u"&Communication", u"&Kommunication", u"&Communication");
    t.sPort = table(u"COM poort", u"COM port", u"COM Anschluß", u"COM port");
    t.sStart = table(u"Inlezen ZOL", u"Read ZOL", u"ZOL einlesen", u"Importer données du ZOL");
    t.sHelp = table(u"&Help", u"&Help", u"&Hilfe", u"&Aide");
    t.sAbout = table(u"Over ZOL print...", u"About ZOL print...", u"Über ZOL print...",
                     u"A propos de ZOL print...");

    t.sConnected = table(u"Verbonden", u"Connected", u"Verbunden", u"Connecté");
    t.sStop = table(u"Stop", u"Stop", u"Stop", u"Arrêt");
    t.sPrompt30 = table(u"Druk op * 3 0 + op de ZOL", u"Enter * 3 0 + on ZOL",
                        u"Bitte auf * 3 0 + drucken am ZOL", u"Appuyer sur * 3 0 + sur ZOL");
    t.sPrompt31 = table(u"Druk op * 3 1 op de ZOL6", u"Enter * 3 1 on ZOL6",
                        u"Bitte auf * 3 1 drucken am ZOL6", u"Appuyer sur * 3 1 sur ZOL6");

    t.sFilter = table(u"Vochtmetingen|*.vmt", u"Moisture measurements|*.mcs",
                      u"Feuchtemessungen|*.fms", u"Messure de l'humidité|*.mdh");
    t.sDefext = table(u"*.vmt", u"*.mcs", u"*.fms", u"*.mdh");
    t.sFilterAll = table(u"Alle meetbestanden|*.vmt;*.mcs;*.fms;*.mdh",
                         u"All measurement files|*.vmt;*.mcs;*.fms;*.mdh",
                         u"Alle Messdateien|*.vmt;*.mcs;*.fms;*.mdh",
                         u"Tous les fichiers de mesure|*.vmt;*.mcs;*.fms;*.mdh");
    t.sPdfFilter = table(u"PDF-bestanden|*.pdf", u"PDF files|*.pdf", u"PDF-Dateien|*.pdf",
                         u"Fichiers PDF|*.pdf");

    t.sErrtitle =
        table(u"ZOL Print fout", u"ZOL Print error", u"ZOL Print Fehler", u"ZOL Print erreur");
    t.sErr101 = table(u"Fout 101 - Verkeerde versie", u"Error 101 - Wrong version",
                      u"Fehler 101 - Falsche Version", u"Erreur 101 - Version incorrecte");
    t.sErr102 =
        table(u"Fout 102 - Fout bij inlezen", u"Error 102 - Error during loading",
              u"Fehler 102 - Fehler beim einlesen", u"Erreur 102 - Erreur durant chargement");
    t.sErr103 = table(u"Fout 103 - COM poort kan niet worden geopend",
                      u"Error 103 - COM port cannot be opened",
                      u"Fehler 103 - COM Anschluß kann nicht geöffnet werden",
                      u"Erreur 103 - Impossible d'ouvrir le port COM");
    t.sErr104 =
        table(u"Fout 104 - Fout bij opslaan", u"Error 104 - Error during saving",
              u"Fehler 104 - Fehler beim Speichern", u"Erreur 104 - Erreur durant enregistrement");
    t.sErr105 =
        table(u"Fout 105 - Geen printer beschikbaar", u"Error 105 - No printer available",
              u"Fehler 105 - Kein Drucker verfügbar", u"Erreur 105 - Aucune imprimante disponible");
    t.sNoPrinter = table(u"geen standaardprinter", u"no default printer", u"kein Standarddrucker",
                         u"aucune imprimante par défaut");
    t.sCannotStart =
        table(u"de printer kan de opdracht niet beginnen", u"the printer cannot start the job",
              u"der Drucker kann den Auftrag nicht beginnen",
              u"l'imprimante ne peut pas commencer le travail");
    t.sNotAccepting =
        table(u"de printer neemt geen opdrachten aan", u"the printer does not accept jobs",
              u"der Drucker nimmt keine Aufträge an", u"l'imprimante n'accepte pas de travaux");
    t.sErr106 = table(u"Fout 106 - Verbinding met de ZOL verbroken, de laatste pagina kan "
                      u"onvolledig zijn",
                      u"Error 106 - Connection to the ZOL lost, the last page may be incomplete",
                      u"Fehler 106 - Verbindung zum ZOL unterbrochen, die letzte Seite kann "
                      u"unvollständig sein",
                      u"Erreur 106 - Connexion avec le ZOL interrompue, la dernière page peut "
                      u"être incomplète");
    t.sErr107 = table(u"Fout 107 - Meer dan 100 pagina's ontvangen, wat na pagina 100 kwam "
                      u"ontbreekt",
                      u"Error 107 - More than 100 pages received, what came after page 100 is "
                      u"missing",
                      u"Fehler 107 - Mehr als 100 Seiten empfangen, was nach Seite 100 kam, fehlt",
                      u"Erreur 107 - Plus de 100 pages reçues, ce qui suivait la page 100 "
                      u"manque");
    t.sSettingsLink =
        table(u"Dit is een koppeling naar %1, en dat is geen instellingenbestand: er is niets "
              u"opgeslagen.",
              u"This is a link to %1, which is not a settings file: nothing was saved.",
              u"Dies ist eine Verknüpfung zu %1, und das ist keine Einstellungsdatei: es wurde "
              u"nichts gespeichert.",
              u"Ceci est un lien vers %1, qui n'est pas un fichier de paramètres : rien n'a été "
              u"enregistré.");
    t.sSettingsFolder =
        table(u"De map voor de instellingen %1 kan niet worden gemaakt (%2): de instellingen "
              u"worden bewaard in %3.",
              u"The settings folder %1 cannot be made (%2): the settings are kept in %3.",
              u"Der Ordner für die Einstellungen %1 kann nicht angelegt werden (%2): die "
              u"Einstellungen werden in %3 gespeichert.",
              u"Le dossier des paramètres %1 ne peut pas être créé (%2) : les paramètres sont "
              u"enregistrés dans %3.");
    t.sSaveInexact = table(u"Pagina %1 kan niet exact worden opgeslagen. Toch opslaan?",
                           u"Page %1 cannot be stored exactly. Save anyway?",
                           u"Seite %1 kann nicht genau gespeichert werden. Trotzdem speichern?",
                           u"La page %1 ne peut pas être enregistrée exactement. Enregistrer "
                           u"quand même ?");
    t.sUnsaved = table(u"De pagina's zijn niet opgeslagen. Eerst opslaan?",
                       u"The pages have not been saved. Save them first?",
                       u"Die Seiten wurden nicht gespeichert. Zuerst speichern?",
                       u"Les pages n'ont pas été enregistrées. Les enregistrer d'abord ?");
    t.sRecover = table(u"Er zijn niet opgeslagen pagina's van %1 gevonden. Herstellen?",
                       u"Unsaved pages from %1 were found. Restore them?",
                       u"Nicht gespeicherte Seiten vom %1 gefunden. Wiederherstellen?",
                       u"Des pages non enregistrées du %1 ont été trouvées. Les restaurer ?");
    t.sRecoverIncomplete =
        table(u"Er zijn niet opgeslagen pagina's van %1 gevonden, maar het bestand is afgebroken: "
              u"alleen de pagina's tot en met pagina %2 konden worden gelezen. Herstellen?",
              u"Unsaved pages from %1 were found, but their file was cut short: only the pages "
              u"up to page %2 could be read. Restore them?",
              u"Nicht gespeicherte Seiten vom %1 gefunden, aber die Datei ist abgeschnitten: nur "
              u"die Seiten bis Seite %2 konnten gelesen werden. Wiederherstellen?",
              u"Des pages non enregistrées du %1 ont été trouvées, mais leur fichier est tronqué "
              u": seules les pages jusqu'à la page %2 ont pu être lues. Les restaurer ?");
    t.sRecoverDamaged = table(u"Niet opgeslagen pagina's in %1 kunnen niet worden gelezen: %2",
                              u"Unsaved pages kept in %1 cannot be read: %2",
                              u"Nicht gespeicherte Seiten in %1 können nicht gelesen werden: %2",
                              u"Les pages non enregistrées de %1 ne peuvent pas être lues : %2");
    t.sRecoverRenamed = table(u"Het bestand heet nu %1.", u"The file has been renamed to %1.",
                              u"Die Datei heißt jetzt %1.", u"Le fichier s'appelle maintenant %1.");
    t.sNotKept =
        table(u"Niet opgeslagen pagina's zijn niet beschermd tegen een crash: in %1 kan niet "
              u"worden geschreven (%2)",
              u"Unsaved pages are not kept against a crash: %1 cannot be written to (%2)",
              u"Nicht gespeicherte Seiten sind nicht vor einem Absturz geschützt: in %1 kann "
              u"nicht geschrieben werden (%2)",
              u"Les pages non enregistrées ne sont pas protégées contre un plantage : impossible "
              u"d'écrire dans %1 (%2)");
    t.sEndedEarly =
        table(u"afgebroken voordat de ZOL klaar was", u"ended before the ZOL had finished",
              u"beendet, bevor der ZOL fertig war", u"interrompu avant la fin du ZOL");
    t.sPortNotValid =
        table(u"Het COM-poortnummer %1 in %2 is niet geldig: kies een poort in het menu COM poort.",
              u"The COM port number %1 in %2 is not valid: choose a port in the COM port menu.",
              u"Die COM-Anschlussnummer %1 in %2 ist ungültig: wählen Sie einen Anschluss im Menü "
              u"COM Anschluß.",
              u"Le numéro de port COM %1 dans %2 n'est pas valide : choisissez un port dans le "
              u"menu COM port.");

    t.sPortlist =
        table(u"Seriële poorten op deze computer:", u"Serial ports on this computer:",
              u"Serielle Anschlüsse dieses Computers:", u"Ports série de cet ordinateur :");
    t.sNoports = table(u"geen", u"none", u"keine", u"aucun");

    t.sNameVenster = table(u"Pagina", u"Page", u"Seite", u"Page");
    t.sNamePageno = table(u"Paginanummer", u"Page number", u"Seitennummer", u"Numéro de page");
    t.sNameVoortgang = table(u"Voortgang", u"Progress", u"Fortschritt", u"Progression");
    t.sNameStatus = table(u"Statusbalk", u"Status bar", u"Statusleiste", u"Barre d'état");
    t.sNameFirstpage = table(u"Eerste pagina", u"First page", u"Erste Seite", u"Première page");
    t.sNamePrevpage =
        table(u"Vorige pagina", u"Previous page", u"Vorherige Seite", u"Page précédente");
    t.sNameNextpage = table(u"Volgende pagina", u"Next page", u"Nächste Seite", u"Page suivante");
    t.sNameLastpage = table(u"Laatste pagina", u"Last page", u"Letzte Seite", u"Dernière page");
    t.sPageOf = table(u"Pagina %1 van %2", u"Page %1 of %2", u"Seite %1 von %2", u"Page %1 sur %2");
}

const QList<ReasonText> &reasonTexts()
{
    // The English column is the source text itself, so that a text missing
    // here reads the same in English as when it is found.
    static const QList<ReasonText> texts = {
        {"zol::QtSerialPort", "not a valid port number",
         table(u"geen geldig poortnummer", u"not a valid port number",
               u"keine gültige Anschlussnummer", u"numéro de port non valide")},
        {"zol::QtSerialPort", "the device does not exist",
         table(u"het apparaat bestaat niet", u"the device does not exist",
               u"das Gerät ist nicht vorhanden", u"le périphérique n'existe pas")},
        {"zol::QtSerialPort", "the port is in use by another program, or access to it is denied",
         table(u"de poort is in gebruik door een ander programma, of de toegang wordt geweigerd",
               u"the port is in use by another program, or access to it is denied",
               u"der Anschluss wird von einem anderen Programm benutzt, oder der Zugriff wird "
               u"verweigert",
               u"le port est utilisé par un autre programme, ou l'accès est refusé")},
        {"zol::QtSerialPort", "the port is already open",
         table(u"de poort is al geopend", u"the port is already open",
               u"der Anschluss ist bereits geöffnet", u"le port est déjà ouvert")},
        {"zol::QtSerialPort", "the device does not support these line settings",
         table(u"het apparaat ondersteunt deze lijninstellingen niet",
               u"the device does not support these line settings",
               u"das Gerät unterstützt diese Leitungseinstellungen nicht",
               u"le périphérique ne prend pas en charge ces paramètres de ligne")},
        {"zol::QtSerialPort", "the system refused to open the port",
         table(u"het systeem weigerde de poort te openen", u"the system refused to open the port",
               u"das System hat das Öffnen des Anschlusses verweigert",
               u"le système a refusé d'ouvrir le port")},
        {"zol::QtSerialPort", "the port is not open",
         table(u"de poort is niet geopend", u"the port is not open",
               u"der Anschluss ist nicht geöffnet", u"le port n'est pas ouvert")},
        {"zol::QtSerialPort", "the port cannot be written to",
         table(u"er kan niet naar de poort worden geschreven", u"the port cannot be written to",
               u"auf den Anschluss kann nicht geschrieben werden",
               u"impossible d'écrire sur le port")},
        {"zol::QtSerialPort", "the line was hung up: the device was unplugged or switched off",
         table(u"de lijn is verbroken: het apparaat is losgekoppeld of uitgeschakeld",
               u"the line was hung up: the device was unplugged or switched off",
               u"die Leitung wurde getrennt: das Gerät wurde abgezogen oder ausgeschaltet",
               u"la ligne a été coupée : le périphérique a été débranché ou éteint")},
        {"zol::QtSerialPort", "the device is gone",
         table(u"het apparaat is verdwenen", u"the device is gone",
               u"das Gerät ist nicht mehr vorhanden", u"le périphérique a disparu")},
        {"zol::QtSerialPort", "the port stopped working",
         table(u"de poort werkt niet meer", u"the port stopped working",
               u"der Anschluss funktioniert nicht mehr", u"le port ne fonctionne plus")},
        {"zol::MeasurementsFile", "too large to be opened again",
         table(u"te groot om weer te worden geopend", u"too large to be opened again",
               u"zu groß, um wieder geöffnet zu werden", u"trop volumineux pour être rouvert")},
        {"zol::MeasurementsFile", "not a file",
         table(u"geen bestand", u"not a file", u"keine Datei", u"pas un fichier")},
        {"zol::RegularFile", "a folder, not a file",
         table(u"een map, geen bestand", u"a folder, not a file", u"ein Ordner, keine Datei",
               u"un dossier, pas un fichier")},
        {"zol::RegularFile", "a named pipe, not a file",
         table(u"een named pipe, geen bestand", u"a named pipe, not a file",
               u"eine benannte Pipe, keine Datei", u"un tube nommé, pas un fichier")},
        {"zol::RegularFile", "a device, not a file",
         table(u"een apparaat, geen bestand", u"a device, not a file", u"ein Gerät, keine Datei",
               u"un périphérique, pas un fichier")},
        {"zol::RecoveryFiles", "the file is empty",
         table(u"het bestand is leeg", u"the file is empty", u"die Datei ist leer",
               u"le fichier est vide")},
        {"zol::RecoveryFiles", "the file is larger than the pages it could hold",
         table(u"het bestand is groter dan de pagina's die het kan bevatten",
               u"the file is larger than the pages it could hold",
               u"die Datei ist größer als die Seiten, die sie enthalten kann",
               u"le fichier est plus grand que les pages qu'il peut contenir")},
        {"zol::RecoveryFiles", "this is not a file of unsaved pages",
         table(u"dit is geen bestand met niet opgeslagen pagina's",
               u"this is not a file of unsaved pages",
               u"dies ist keine Datei mit nicht gespeicherten Seiten",
               u"ce n'est pas un fichier de pages non enregistrées")},
        {"zol::RecoveryFiles", "the file ends before its first page",
         table(u"het bestand eindigt vóór de eerste pagina", u"the file ends before its first page",
               u"die Datei endet vor ihrer ersten Seite",
               u"le fichier se termine avant sa première page")},
        {"zol::RegularFile", "no file name",
         table(u"geen bestandsnaam", u"no file name", u"kein Dateiname", u"aucun nom de fichier")},
    };
    return texts;
}

ReasonTranslator::ReasonTranslator(qint16 language, QObject *parent)
    : QTranslator(parent), m_language(isValidLanguage(language) ? language : kEnglish)
{}

QString ReasonTranslator::translate(const char *context, const char *sourceText, const char *,
                                    int) const
{
    if (!context || !sourceText)
        return {};
    for (const ReasonText &reason : reasonTexts()) {
        if (qstrcmp(reason.context, context) == 0 && qstrcmp(reason.source, sourceText) == 0)
            return reason.text[m_language];
    }
    return {};
}

QString stopStatus(const LanguageTables &tables, qint16 language, qint16 received, bool endedEarly)
{
    const int at = isValidLanguage(language) ? language : kEnglish;
    QString status = tables.sStop[at] + u" ("_s + QString::number(received) + u")"_s;
    if (endedEarly)
        status += u" – "_s + tables.sEndedEarly[at];
    return status;
}

QString languageCode(qint16 language)
{
    switch (language) {
    case kDutch:
        return u"nl"_s;
    case kGerman:
        return u"de"_s;
    case kFrench:
        return u"fr"_s;
    default:
        return u"en"_s;
    }
}

} // namespace zol
