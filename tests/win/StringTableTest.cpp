// The string table holds the program's German texts byte for byte in
// Windows-1252, as the user reads them.
#include "base/system/SystemServices.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTable, EveryTextOfTheProgramInWindows1252)
{
    const struct {
        int Id;
        const char* Text;
    } texts[] = {
        {65264, "Vemu Keys (nicht aktiv)"},
        {65265, "Vemu Keys (aktiv)"},
        {65266, "Vemu Keys (Eingabegebietsschema-Problem)"},
        {65267, "Keine serielle Verbindung"},
        {65268, "Bitte pr\xfc" "fen Sie die Kabelverbindung und sorgen Sie f\xfcr die korrekten Einstellungen im "
                "Einstellungsdialog."},
        {65269, "Eingabegebietsschema"},
        {65270, "Vemu Keys ist nicht f\xfcr das derzeitige Eingabegebietsschema ausgelegt, die Funktionalit\xe4t ist "
                "daher m\xf6glicherweise eingeschr\xe4nkt."},
        {65271, "Die Einstellung f\xfcr das automatische Starten kann nicht ge\xe4ndert werden. Bitte stellen Sie "
                "sicher, da\xdf Sie \xfc" "ber die entsprechenden Rechte verf\xfcgen."},
        {65277, "Start"},
        {65278, "Stop"},
        {65279, "Vemu Keys l\xe4uft derzeit nur unter Windows 2000 und h\xf6her.\rDas Programm wird beendet."},
        {65280, "Die Einstellungen konnten nicht gespeichert werden.\rM\xf6glicherweise sind die erforderlichen "
                "Zugriffsrechte nicht vorhanden."},
        {65281, "keine"},
        {65282, "gerade"},
        {65283, "ungerade"},
        {65284, "%d Bits/Sek."},
        {65285, "Im Programm ist eine unbehandelte Ausnahmebedingung der Klasse %s aufgetreten, das Programm wird "
                "beendet.\rF\xfcr eine korrekte Funktion des Systems ist m\xf6glicherweise ein Neustart erforderlich."},
        {65287, "Log-Datei speichern"},
        {65288, "Log-Dateien (*.log)|*.log|Alle Dateien (*.*)|*.*"},
        {65289, "Fehler-Sound laden"},
        {65290, "Sound-Dateien (*.wav)|*.wav"},
        {65291, "Serielle Ports enumerieren"},
        {65292, "Interfaces initialisieren"},
        {65293, "Seriellen Port \xf6" "ffnen"},
        {65294, "Starten"},
        {65295, "Vemu Keys (keine Verbindung)"},
        {65308, "Startup"},
        {65310, "V%d.%d (Build %d.%d)"},
        {65311, "Die Log-Datei kann nicht ge\xf6" "ffnet werden.\rBitte stellen Sie sicher, da\xdf der Pfad existiert "
                "und die n\xf6tigen Zugriffsrechte vorhanden sind."},
    };
    for (const auto& text : texts)
        EXPECT_EQ(LoadResourceText(text.Id), text.Text) << text.Id;
}

TEST(StringTable, ContactAddressesAreTheProjectsOwn)
{
    EXPECT_EQ(LoadResourceText(IDS_EMAIL_CAPTION), "Email: ");
    EXPECT_NE(LoadResourceText(IDS_CONTACT_EMAIL).find("@example.org"), std::string::npos);
    EXPECT_EQ(LoadResourceText(IDS_WEB_ADDRESS).rfind("https://www.example.org/", 0), 0u);
}

} // namespace
