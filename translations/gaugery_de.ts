<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AccountList</name>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Stops watching this account and deletes its cookie from the keyring. Its history stays.</source>
        <translation>Beobachtet dieses Konto nicht mehr und löscht sein Cookie aus dem Schlüsselbund. Sein Verlauf bleibt.</translation>
    </message>
    <message>
        <source>Rename %1</source>
        <translation>%1 umbenennen</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
</context>
<context>
    <name>AccountSection</name>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Loading usage data...</source>
        <translation>Nutzungsdaten werden geladen …</translation>
    </message>
    <message>
        <source>Update Cookie…</source>
        <translation>Cookie aktualisieren…</translation>
    </message>
    <message>
        <source>Set Cookie…</source>
        <translation>Cookie festlegen…</translation>
    </message>
    <message>
        <source>Update Cookie for %1</source>
        <translation>Cookie für %1 aktualisieren</translation>
    </message>
    <message>
        <source>Set Cookie for %1</source>
        <translation>Cookie für %1 festlegen</translation>
    </message>
</context>
<context>
    <name>Accounts</name>
    <message>
        <source>Account %1</source>
        <translation>Konto %1</translation>
    </message>
    <message>
        <source>Claude</source>
        <translation>Claude</translation>
    </message>
    <message>
        <source>Gaugery watches at most %1 accounts. Remove one to add another.</source>
        <translation>Gaugery beobachtet höchstens %1 Konten. Entfernen Sie eines, um ein weiteres hinzuzufügen.</translation>
    </message>
</context>
<context>
    <name>AddAccountMenu</name>
    <message>
        <source>Browser session…</source>
        <translation>Browsersitzung …</translation>
    </message>
    <message>
        <source>Claude Code</source>
        <translation>Claude Code</translation>
    </message>
    <message>
        <source>Watch %1 as its own account</source>
        <translation>%1 als eigenes Konto beobachten</translation>
    </message>
    <message>
        <source>Claude Code in another folder…</source>
        <translation>Claude Code in einem anderen Ordner…</translation>
    </message>
</context>
<context>
    <name>BrowserCookieImport</name>
    <message>
        <source>%1, profile %2</source>
        <translation>%1, Profil %2</translation>
    </message>
    <message>
        <source>%1: cannot read cookie databases without Qt&apos;s SQLite driver.</source>
        <translation>%1: Ohne den SQLite-Treiber von Qt lassen sich Cookie-Datenbanken nicht lesen.</translation>
    </message>
    <message>
        <source>%1: the cookie database could not be read.</source>
        <translation>%1: Die Cookie-Datenbank ließ sich nicht lesen.</translation>
    </message>
    <message>
        <source>%1: the cookie database has a layout Gaugery does not know.</source>
        <translation>%1: Die Cookie-Datenbank hat einen Aufbau, den Gaugery nicht kennt.</translation>
    </message>
    <message>
        <source>%1: the session has expired.</source>
        <translation>%1: Die Sitzung ist abgelaufen.</translation>
    </message>
    <message>
        <source>%1: the Secret Service holds no cookie key for %2.</source>
        <translation>%1: Der Secret Service hat keinen Cookie-Schlüssel für %2.</translation>
    </message>
    <message>
        <source>%1: neither the Secret Service nor KWallet holds a cookie key for %2.</source>
        <translation>%1: Weder der Secret Service noch KWallet hat einen Cookie-Schlüssel für %2.</translation>
    </message>
    <message>
        <source>%1: the Secret Service did not give the cookie key of %2.</source>
        <translation>%1: Der Secret Service hat den Cookie-Schlüssel von %2 nicht herausgegeben.</translation>
    </message>
    <message>
        <source>%1: KWallet refused to open the wallet that holds the cookie key of %2.</source>
        <translation>%1: KWallet hat das Öffnen der Brieftasche mit dem Cookie-Schlüssel von %2 verweigert.</translation>
    </message>
    <message>
        <source>%1: KWallet did not give the cookie key of %2.</source>
        <translation>%1: KWallet hat den Cookie-Schlüssel von %2 nicht herausgegeben.</translation>
    </message>
    <message>
        <source>%1: the session cookie could not be decrypted.</source>
        <translation>%1: Das Sitzungs-Cookie ließ sich nicht entschlüsseln.</translation>
    </message>
    <message>
        <source>%1: the session cookie is not a valid cookie value.</source>
        <translation>%1: Das Sitzungs-Cookie ist kein gültiger Cookie-Wert.</translation>
    </message>
    <message>
        <source>Found in %1.</source>
        <translation>Gefunden in %1.</translation>
    </message>
    <message>
        <source>Signed-in sessions found in %1 browser profiles; choose one:</source>
        <translation>Angemeldete Sitzungen in %1 Browserprofilen gefunden; bitte eine wählen:</translation>
    </message>
    <message>
        <source>No browser profile found (looked for %1).</source>
        <translation>Kein Browserprofil gefunden (gesucht nach %1).</translation>
    </message>
    <message>
        <source>No signed-in session found in %1. Sign in to %2 in your browser, then try again.</source>
        <translation>Keine angemeldete Sitzung in %1 gefunden. Melde dich im Browser bei %2 an und versuche es dann erneut.</translation>
    </message>
</context>
<context>
    <name>BusyIndicator</name>
    <message>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
</context>
<context>
    <name>ClaudeCodeFolderDialog</name>
    <message>
        <source>Claude Code in Another Folder</source>
        <translation>Claude Code in einem anderen Ordner</translation>
    </message>
    <message>
        <source>Add Account</source>
        <translation>Konto hinzufügen</translation>
    </message>
</context>
<context>
    <name>ClaudeCodeHomes</name>
    <message>
        <source>An account reads the Claude Code sign-in in %1 already.</source>
        <translation>Ein Konto liest die Anmeldung von Claude Code in %1 bereits.</translation>
    </message>
    <message>
        <source>%1 holds no .credentials.json. Claude Code keeps a sign-in there once you sign in with CLAUDE_CONFIG_DIR set to this folder.</source>
        <translation>%1 enthält keine .credentials.json. Claude Code legt dort eine Anmeldung ab, sobald du dich mit CLAUDE_CONFIG_DIR auf diesen Ordner gesetzt anmeldest.</translation>
    </message>
</context>
<context>
    <name>ClaudeCodeSettingsFile</name>
    <message>
        <source>Its settings.json is not valid JSON (%1 at byte %2), so it is left as it is.</source>
        <translation>Seine settings.json ist kein gültiges JSON (%1 bei Byte %2) und bleibt daher, wie sie ist.</translation>
    </message>
    <message>
        <source>Its settings.json holds no JSON object, so it is left as it is.</source>
        <translation>Seine settings.json enthält kein JSON-Objekt und bleibt daher, wie sie ist.</translation>
    </message>
    <message>
        <source>Its settings.json names statusLine more than once, so it is left as it is.</source>
        <translation>Seine settings.json nennt statusLine mehr als einmal und bleibt daher, wie sie ist.</translation>
    </message>
</context>
<context>
    <name>DashboardView</name>
    <message>
        <source>Loading usage data...</source>
        <translation>Nutzungsdaten werden geladen …</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Buy Me a Coffee</source>
        <translation>Spendier mir einen Kaffee</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Update Cookie</source>
        <translation>Cookie aktualisieren</translation>
    </message>
    <message>
        <source>Set Cookie</source>
        <translation>Cookie festlegen</translation>
    </message>
</context>
<context>
    <name>FetchMessages</name>
    <message>
        <source>No cookie found. Please set your session cookie.</source>
        <translation>Kein Cookie gefunden. Bitte lege dein Sitzungs-Cookie fest.</translation>
    </message>
    <message>
        <source>Invalid URL</source>
        <translation>Ungültige URL</translation>
    </message>
    <message>
        <source>Network error: %1</source>
        <translation>Netzwerkfehler: %1</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Die Anfrage hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>response too large</source>
        <translation>Antwort zu groß</translation>
    </message>
    <message>
        <source>Invalid response</source>
        <translation>Ungültige Antwort</translation>
    </message>
    <message>
        <source>Cookie expired or invalid. Please update your session cookie.</source>
        <translation>Cookie abgelaufen oder ungültig. Bitte aktualisiere dein Sitzungs-Cookie.</translation>
    </message>
    <message>
        <source>Cookie expired. Please update your session cookie.</source>
        <translation>Cookie abgelaufen. Bitte aktualisiere dein Sitzungs-Cookie.</translation>
    </message>
    <message>
        <source>Blocked by the service&apos;s bot protection. Try again later or from another network.</source>
        <translation>Vom Bot-Schutz des Dienstes blockiert. Versuche es später oder aus einem anderen Netzwerk erneut.</translation>
    </message>
    <message>
        <source>Server error: %1</source>
        <translation>Serverfehler: %1</translation>
    </message>
    <message>
        <source>Failed to parse organizations: %1</source>
        <translation>Organisationen konnten nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Could not find organization</source>
        <translation>Keine Organisation gefunden</translation>
    </message>
    <message>
        <source>Failed to parse response: %1</source>
        <translation>Antwort konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Invalid cookie: it contains line breaks or control characters. Please update your session cookie.</source>
        <translation>Ungültiges Cookie: Es enthält Zeilenumbrüche oder Steuerzeichen. Bitte aktualisiere dein Sitzungs-Cookie.</translation>
    </message>
    <message>
        <source>Keyring is locked. Unlock it so Gaugery can read your session cookie.</source>
        <translation>Der Schlüsselbund ist gesperrt. Entsperre ihn, damit Gaugery dein Sitzungs-Cookie lesen kann.</translation>
    </message>
    <message>
        <source>Failed to save cookie</source>
        <translation>Cookie konnte nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Could not remove the cookie from the keyring: it is locked.</source>
        <translation>Das Cookie ließ sich nicht aus dem Schlüsselbund entfernen: Er ist gesperrt.</translation>
    </message>
    <message>
        <source>Could not remove the cookie from the keyring: it does not answer.</source>
        <translation>Das Cookie ließ sich nicht aus dem Schlüsselbund entfernen: Er antwortet nicht.</translation>
    </message>
    <message>
        <source>No Claude Code sign-in found. Run claude to sign in, or set a cookie.</source>
        <translation>Keine Anmeldung von Claude Code gefunden. Melde dich mit claude an oder lege ein Cookie fest.</translation>
    </message>
    <message>
        <source>Claude Code&apos;s sign-in has expired. Run claude to renew it, or set a cookie.</source>
        <translation>Die Anmeldung von Claude Code ist abgelaufen. Erneuere sie mit claude oder lege ein Cookie fest.</translation>
    </message>
    <message>
        <source>This Claude Code sign-in cannot read usage. Sign in again with claude, or set a cookie.</source>
        <translation>Diese Anmeldung von Claude Code kann die Nutzung nicht lesen. Melde dich mit claude neu an oder lege ein Cookie fest.</translation>
    </message>
    <message>
        <source>at %1</source>
        <translation>um %1</translation>
    </message>
    <message>
        <source>on %1 at %2</source>
        <translation>am %1 um %2</translation>
    </message>
    <message>
        <source>The service refused requests from this network or program. Your cookie is kept.</source>
        <translation>Der Dienst lehnt Anfragen aus diesem Netzwerk oder von diesem Programm ab. Dein Cookie bleibt gespeichert.</translation>
    </message>
    <message>
        <source>Rate limited: next try at %1</source>
        <translation>Anfragelimit erreicht: nächster Versuch um %1</translation>
    </message>
    <message>
        <source>This session cannot see %1. Update the cookie or pick another organization.</source>
        <translation>Diese Sitzung sieht %1 nicht. Aktualisiere das Cookie oder wähle eine andere Organisation.</translation>
    </message>
    <message>
        <source>Claude Code&apos;s sign-in expired %1. Figures resume as soon as Claude Code runs again.</source>
        <translation>Die Anmeldung von Claude Code ist %1 abgelaufen. Die Werte kommen wieder, sobald Claude Code wieder läuft.</translation>
    </message>
    <message>
        <source>Claude Code&apos;s sign-in expired %1. Your browser session is used meanwhile; Claude Code&apos;s figures resume as soon as it runs again.</source>
        <translation>Die Anmeldung von Claude Code ist %1 abgelaufen. Bis dahin wird deine Browsersitzung verwendet; die Werte von Claude Code kommen wieder, sobald es wieder läuft.</translation>
    </message>
    <message>
        <source>Claude Code&apos;s sign-in ends on %1. Sign in again with claude.</source>
        <translation>Die Anmeldung von Claude Code endet am %1. Melde dich mit claude erneut an.</translation>
    </message>
    <message>
        <source>Figures from Claude Code</source>
        <translation>Werte von Claude Code</translation>
    </message>
    <message>
        <source>Figures from your browser session</source>
        <translation>Werte aus deiner Browsersitzung</translation>
    </message>
</context>
<context>
    <name>Freshness</name>
    <message>
        <source>%1 min</source>
        <translation>%1 Min.</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 Std.</translation>
    </message>
    <message>
        <source>%1 d</source>
        <translation>%1 T.</translation>
    </message>
    <message>
        <source>As of %1 (%2 ago)</source>
        <translation>Stand %1 (vor %2)</translation>
    </message>
</context>
<context>
    <name>FurtherLimits</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Out of credits</source>
        <translation>Kein Guthaben mehr</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
<context>
    <name>GaugeryStatus</name>
    <message>
        <source>cannot write the output: %1</source>
        <translation>Die Ausgabe lässt sich nicht schreiben: %1</translation>
    </message>
    <message>
        <source>--since takes hours or days, such as 24h, 7d or 30d</source>
        <translation>--since nimmt Stunden oder Tage, etwa 24h, 7d oder 30d</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>Prints the figures of the running Gaugery once: JSON for a status bar&apos;s custom module (text, tooltip, class, percentage), or text in the given format.</source>
        <translation>Gibt die Werte des laufenden Gaugery einmal aus: JSON für das eigene Modul einer Statusleiste (text, tooltip, class, percentage) oder Text im angegebenen Format.</translation>
    </message>
    <message>
        <source>Print the stored figures instead: CSV (time, window, utilization, resets_at) or JSON. Works whether or not Gaugery runs.</source>
        <translation>Stattdessen die gespeicherten Werte ausgeben: CSV (time, window, utilization, resets_at) oder JSON. Geht auch, wenn Gaugery nicht läuft.</translation>
    </message>
    <message>
        <source>With --history: how far back, such as 24h, 7d or 30d (default 24h).</source>
        <translation>Mit --history: wie weit zurück, etwa 24h, 7d oder 30d (Vorgabe 24h).</translation>
    </message>
    <message>
        <source>With --history: CSV with a header row (default).</source>
        <translation>Mit --history: CSV mit Kopfzeile (Vorgabe).</translation>
    </message>
    <message>
        <source>With --history: one JSON array.</source>
        <translation>Mit --history: ein JSON-Array.</translation>
    </message>
    <message>
        <source>Gaugery is not running</source>
        <translation>Gaugery läuft nicht</translation>
    </message>
    <message>
        <source>Gaugery did not answer: %1</source>
        <translation>Gaugery hat nicht geantwortet: %1</translation>
    </message>
    <message>
        <source>With more than one account: the figures of this one (its name), rather than those of the account the tray shows.</source>
        <translation>Bei mehr als einem Konto: die Werte dieses Kontos (sein Name) statt derer des Kontos, das der Infobereich zeigt.</translation>
    </message>
    <message>
        <source>no account named %1</source>
        <translation>kein Konto namens %1</translation>
    </message>
    <message>
        <source>Plain text instead of JSON, with {session} {weekly} {sonnet} {opus} (and {window:ID} for any window the agent reports), {session_reset} and the like, {updated}, {age}, {error} and {account} replaced, e.g. &apos;{session}% {weekly}%&apos;.</source>
        <translation>Reiner Text statt JSON, in dem {session} {weekly} {sonnet} {opus} (und {window:ID} für jedes Fenster, das Gaugery meldet), {session_reset} und Ähnliches, {updated}, {age}, {error} und {account} ersetzt werden, z. B. &apos;{session}% {weekly}%&apos;.</translation>
    </message>
    <message>
        <source>With --history: whose figures, an organization&apos;s id, claudeCode for Claude Code&apos;s sign-in or claudeCode:FOLDER for the one in another folder (default: whoever Gaugery recorded last).</source>
        <translation>Mit --history: wessen Werte, die ID einer Organisation, claudeCode für die Anmeldung von Claude Code oder claudeCode:ORDNER für die in einem anderen Ordner (Vorgabe: wen Gaugery zuletzt aufgezeichnet hat).</translation>
    </message>
    <message>
        <source>As Claude Code&apos;s status line (first, and alone or before -- COMMAND [ARGS]): hands the figures on its standard input to Gaugery and prints COMMAND&apos;s output, or a short line of its own.</source>
        <translation>Als Statuszeile von Claude Code (als erste Option, allein oder vor -- BEFEHL [ARGUMENTE]): gibt die Werte aus der Standardeingabe an Gaugery weiter und gibt die Ausgabe von BEFEHL aus oder eine eigene kurze Zeile.</translation>
    </message>
</context>
<context>
    <name>HistoryChart</name>
    <message>
        <source>This 5-hour window</source>
        <translation>Dieses 5-Stunden-Fenster</translation>
    </message>
    <message>
        <source>24 hours</source>
        <translation>24 Stunden</translation>
    </message>
    <message>
        <source>7 days</source>
        <translation>7 Tage</translation>
    </message>
    <message>
        <source>30 days</source>
        <translation>30 Tage</translation>
    </message>
</context>
<context>
    <name>HistoryChartView</name>
    <message>
        <source>No figures in this span yet</source>
        <translation>Noch keine Werte in diesem Zeitraum</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Could not read the history: %1</source>
        <translation>Der Verlauf ließ sich nicht lesen: %1</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>CSV exportieren …</translation>
    </message>
    <message>
        <source>Usage history chart</source>
        <translation>Diagramm des Nutzungsverlaufs</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>%1 gespeichert</translation>
    </message>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>%1 lässt sich nicht speichern: %2</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
</context>
<context>
    <name>HistoryWindowController</name>
    <message>
        <source>Gaugery History</source>
        <translation>Gaugery-Verlauf</translation>
    </message>
</context>
<context>
    <name>NotificationService</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>OnboardingWindowController</name>
    <message>
        <source>Add Account</source>
        <translation>Konto hinzufügen</translation>
    </message>
    <message>
        <source>Session Cookie for %1</source>
        <translation>Sitzungs-Cookie für %1</translation>
    </message>
</context>
<context>
    <name>PortalHotkey</name>
    <message>
        <source>Open the Gaugery dashboard</source>
        <translation>Die Übersicht von Gaugery öffnen</translation>
    </message>
</context>
<context>
    <name>RefreshFooter</name>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>ResetAlerts</name>
    <message>
        <source>%1 limit has reset</source>
        <translation>Limit „%1“ zurückgesetzt</translation>
    </message>
    <message>
        <source>Reset at %1</source>
        <translation>Zurückgesetzt um %1</translation>
    </message>
</context>
<context>
    <name>SettingsChoices</name>
    <message>
        <source>Highest</source>
        <translation>Höchster Wert</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Beschriftung</translation>
    </message>
    <message>
        <source>Figure in icon</source>
        <translation>Wert im Symbol</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>Balken</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <translation>5 Minuten</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation>10 Minuten</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 Minuten</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 Minuten</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Browser session</source>
        <translation>Browsersitzung</translation>
    </message>
    <message>
        <source>Claude Code</source>
        <translation>Claude Code</translation>
    </message>
    <message>
        <source>Connected through Claude Code</source>
        <translation>Verbunden über Claude Code</translation>
    </message>
    <message>
        <source>Connected through your browser session</source>
        <translation>Verbunden über deine Browsersitzung</translation>
    </message>
    <message>
        <source>Highest of all</source>
        <translation>Höchster aller Konten</translation>
    </message>
    <message>
        <source>Connected through %1</source>
        <translation>Verbunden über %1</translation>
    </message>
    <message>
        <source>Claude Code in %1</source>
        <translation>Claude Code in %1</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Quit Gaugery</source>
        <translation>Gaugery beenden</translation>
    </message>
    <message>
        <source>Tray</source>
        <translation>Infobereich</translation>
    </message>
    <message>
        <source>Display Metric</source>
        <translation>Angezeigter Wert</translation>
    </message>
    <message>
        <source>Tray Style</source>
        <translation>Darstellung</translation>
    </message>
    <message>
        <source>Launch at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Refresh Interval</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Extras</source>
        <translation>Extras</translation>
    </message>
    <message>
        <source>Usage alerts</source>
        <translation>Nutzungswarnungen</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Organization</source>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>☕ Support Development</source>
        <translation>☕ Entwicklung unterstützen</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Keyboard Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Disconnect removes the browser session only.</source>
        <translation>Trennen entfernt nur die Browsersitzung.</translation>
    </message>
    <message>
        <source>Sign out in Claude Code to disconnect.</source>
        <translation>Zum Trennen in Claude Code abmelden.</translation>
    </message>
    <message>
        <source>Tray shows</source>
        <translation>Infobereich zeigt</translation>
    </message>
    <message>
        <source>Accounts</source>
        <translation>Konten</translation>
    </message>
    <message>
        <source>Add Account…</source>
        <translation>Konto hinzufügen …</translation>
    </message>
    <message>
        <source>Notify when a limit resets</source>
        <translation>Melden, wenn ein Limit zurückgesetzt wird</translation>
    </message>
</context>
<context>
    <name>SettingsWindowController</name>
    <message>
        <source>Gaugery Settings</source>
        <translation>Gaugery-Einstellungen</translation>
    </message>
</context>
<context>
    <name>SetupView</name>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>%1 (last used %2)</source>
        <translation>%1 (zuletzt benutzt %2)</translation>
    </message>
    <message>
        <source>Session Cookie</source>
        <translation>Sitzungs-Cookie</translation>
    </message>
    <message>
        <source>Import from Browser</source>
        <translation>Aus dem Browser übernehmen</translation>
    </message>
    <message>
        <source>Browser session</source>
        <translation>Browsersitzung</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Looking in your browsers…</source>
        <translation>Suche in deinen Browsern …</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
</context>
<context>
    <name>StatusFormat</name>
    <message>
        <source>No figures yet</source>
        <translation>Noch keine Werte</translation>
    </message>
    <message>
        <source>No session cookie: open Gaugery to set one</source>
        <translation>Kein Sitzungs-Cookie: Öffne Gaugery, um eines festzulegen</translation>
    </message>
</context>
<context>
    <name>StatusLineNotes</name>
    <message>
        <source>Figures come from Claude Code&apos;s status line, after its next reply.</source>
        <translation>Die Werte kommen aus der Statuszeile von Claude Code, nach seiner nächsten Antwort.</translation>
    </message>
    <message>
        <source>Figures from Claude Code&apos;s status line</source>
        <translation>Werte aus der Statuszeile von Claude Code</translation>
    </message>
    <message>
        <source>%1 as of %2 (%3 ago)</source>
        <translation>%1 Stand %2 (vor %3)</translation>
    </message>
</context>
<context>
    <name>StatusLineSection</name>
    <message>
        <source>Claude Code&apos;s status line</source>
        <translation>Statuszeile von Claude Code</translation>
    </message>
    <message>
        <source>Use Claude Code&apos;s status line</source>
        <translation>Statuszeile von Claude Code verwenden</translation>
    </message>
    <message>
        <source>From the status line only</source>
        <translation>Nur aus der Statuszeile</translation>
    </message>
    <message>
        <source>From the status line and the service</source>
        <translation>Aus der Statuszeile und vom Dienst</translation>
    </message>
    <message>
        <source>Read figures</source>
        <translation>Werte lesen</translation>
    </message>
</context>
<context>
    <name>StatusLineSwitch</name>
    <message>
        <source>Its settings.json cannot be read.</source>
        <translation>Seine settings.json kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Its settings.json cannot be written: %1</source>
        <translation>Seine settings.json kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Its status line was not set here: edit its settings.json to change it.</source>
        <translation>Seine Statuszeile wurde nicht hier eingerichtet: Ändern Sie sie in seiner settings.json.</translation>
    </message>
    <message>
        <source>Its settings.json cannot be removed.</source>
        <translation>Seine settings.json kann nicht entfernt werden.</translation>
    </message>
</context>
<context>
    <name>TrayMenu</name>
    <message>
        <source>Open Gaugery</source>
        <translation>Gaugery öffnen</translation>
    </message>
    <message>
        <source>Quit Gaugery</source>
        <translation>Gaugery beenden</translation>
    </message>
</context>
<context>
    <name>TrayPresentation</name>
    <message>
        <source>at this pace: full at %1</source>
        <translation>bei diesem Tempo voll um %1</translation>
    </message>
    <message>
        <source>Gaugery</source>
        <translation>Gaugery</translation>
    </message>
    <message>
        <source>Gaugery: %1 %2</source>
        <translation>Gaugery: %1 %2</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1 · no figures yet</source>
        <translation>%1 · noch keine Werte</translation>
    </message>
    <message>
        <source>Gaugery: %1, %2 %3</source>
        <translation>Gaugery: %1, %2 %3</translation>
    </message>
    <message>
        <source>%1 (as of %2)</source>
        <translation>%1 (Stand %2)</translation>
    </message>
    <message>
        <source>%1, as of %2</source>
        <translation>%1, Stand %2</translation>
    </message>
    <message>
        <source>Claude does not report this limit now</source>
        <translation>Claude meldet dieses Limit derzeit nicht</translation>
    </message>
</context>
<context>
    <name>UsageAlerts</name>
    <message>
        <source>%1 at %2%</source>
        <translation>%1 bei %2%</translation>
    </message>
</context>
<context>
    <name>UsagePace</name>
    <message>
        <source>resets in under a minute</source>
        <translation>zurückgesetzt in unter einer Minute</translation>
    </message>
    <message>
        <source>resets in %1 d %2 h</source>
        <translation>zurückgesetzt in %1 T %2 Std.</translation>
    </message>
    <message>
        <source>resets in %1 d</source>
        <translation>zurückgesetzt in %1 T</translation>
    </message>
    <message>
        <source>resets in %1 h %2 min</source>
        <translation>zurückgesetzt in %1 Std. %2 Min.</translation>
    </message>
    <message>
        <source>resets in %1 min</source>
        <translation>zurückgesetzt in %1 Min.</translation>
    </message>
</context>
<context>
    <name>UsageParser</name>
    <message>
        <source>Invalid response format</source>
        <translation>Ungültiges Antwortformat</translation>
    </message>
</context>
<context>
    <name>UsageWindows</name>
    <message>
        <source>5 hour</source>
        <translation>5 Stunden</translation>
    </message>
    <message>
        <source>7 day</source>
        <translation>7 Tage</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sitzung</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Woche</translation>
    </message>
    <message>
        <source>Resets at %1</source>
        <translation>Wird um %1 zurückgesetzt</translation>
    </message>
    <message>
        <source>resets at %1</source>
        <translation>wird um %1 zurückgesetzt</translation>
    </message>
    <message>
        <source>Resets %1</source>
        <translation>Wird am %1 zurückgesetzt</translation>
    </message>
    <message>
        <source>resets %1</source>
        <translation>wird am %1 zurückgesetzt</translation>
    </message>
    <message>
        <source>Updated %1</source>
        <translation>Aktualisiert %1</translation>
    </message>
    <message>
        <source>Reset at %1, waiting for figures</source>
        <translation>Zurückgesetzt um %1, warte auf Werte</translation>
    </message>
    <message>
        <source>Extra usage</source>
        <translation>Zusätzliche Nutzung</translation>
    </message>
</context>
<context>
    <name>WelcomeView</name>
    <message>
        <source>Track Your Claude Usage with Gaugery</source>
        <translation>Behalte deine Claude-Nutzung mit Gaugery im Blick</translation>
    </message>
    <message>
        <source>Monitor your API limits right from your tray</source>
        <translation>Deine Limits direkt im Infobereich</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
    <message>
        <source>Then use Import from Browser, or paste your session cookie.</source>
        <translation>Dann „Aus dem Browser übernehmen“ wählen oder dein Sitzungs-Cookie einfügen.</translation>
    </message>
    <message>
        <source>Using Claude Code? Sign in there and Gaugery reads your usage by itself.</source>
        <translation>Du nutzt Claude Code? Melde dich dort an, dann liest Gaugery deine Nutzung von selbst.</translation>
    </message>
</context>
</TS>
