// The program's own French texts: the lines of a web's log page (LogFile.htm), and the few other
// words it writes in French. They stay byte for byte what they have always been: log pages kept
// from earlier captures, and whatever reads them, look for these very words. Each constant is a
// piece of a line; the comment above it gives its English meaning and what goes around it.
//
// The bytes are Windows-1252, written as escapes: \xE9 is "é", \xE8 "è", \xEA "ê", \xB0 "°".
// A literal is cut after an escape whose next letter is a hex digit ("D\xE9" "but"): a hex
// escape would take that letter in.
#pragma once

#include <string_view>

namespace korvane {

// --- A request (net/request.cpp), after the host or address it names ------------------------

// " : web not found": no address was found for the host.
inline constexpr std::string_view kLogHostNotFound = " : WEB non trouv\xE9";
// " : TLS failure : ", then why.
inline constexpr std::string_view kLogTlsFailed =
    " : \xE9"
    "chec TLS : ";

// --- Admission of a link (engine/link_admission.cpp), after its address ---------------------

// " filtered : wrong protocol"
inline constexpr std::string_view kLogBadProtocol = " filtr\xE9 : Protocole incorrect";
// " filtered : outside the main domain"
inline constexpr std::string_view kLogOutsideMainWeb = " filtr\xE9 : Externe au domaine principal";
// " filtered : greatest external depth reached"
inline constexpr std::string_view kLogExternalLevel = " filtr\xE9 : Niveau externe max atteint";
// " filtered : greatest internal depth reached"
inline constexpr std::string_view kLogInternalLevel = " filtr\xE9 : Niveau interne max atteint";
// Always English, as every line added since: " filtered by rule ", then the rule that refused
// the address ("- **/private/**").
inline constexpr std::string_view kLogFilteredByRule = " filtered by rule ";
// Always English: the tree refused the address.
inline constexpr std::string_view kLogTreeError = ": Tree error";
// " : address not valid"; the capture writes it too, after a link it cannot follow.
inline constexpr std::string_view kLogBadUrl = " : url non valide";

// --- A capture session (engine/capture.cpp) -------------------------------------------------

// "Capture started on ", then the date.
inline constexpr std::string_view kLogCaptureStart =
    "D\xE9"
    "but de capture le ";
// "Address not found (", then the HTTP status, "):" and the address.
inline constexpr std::string_view kLogNotFound =
    "URL non trouv\xE9"
    "e (";
// "Error (", then why, "):" and the address.
inline constexpr std::string_view kLogError = "Erreur (";
// "Not enough disk space (", then the size the server announced...
inline constexpr std::string_view kLogDiskShort = "Espace disque insuffisant (";
// ..." bytes announced):", then the address.
inline constexpr std::string_view kLogBytesAnnounced = " octets annonc\xE9s):";
// After a server's name: " : the server closes the connections beyond its limit, ", then the
// number of connections...
inline constexpr std::string_view kLogServerCloses = " : le serveur ferme les connexions en trop, ";
// ..." connection(s) at most".
inline constexpr std::string_view kLogConnectionsAtMost = " connexion(s) au plus";
// Always English: "address rules not applied: ", then why (the rule and its fault).
inline constexpr std::string_view kLogRulesNotApplied = "address rules not applied: ";
// "Stop : disk full"
inline constexpr std::string_view kLogStopDiskFull = "Arr\xEAt : disque plein";
// "Stop : transfers in progress cut off after ", then the seconds and " s".
inline constexpr std::string_view kLogStopTransfersCut =
    "Arr\xEAt : transferts en cours interrompus apr\xE8s ";
// After a number: " file(s) of an interrupted capture removed".
inline constexpr std::string_view kLogInterruptedFilesRemoved =
    " fichier(s) d'une capture interrompue supprim\xE9(s)";

// The report at the end of a session.
// "Capture ended on ", then the date.
inline constexpr std::string_view kLogCaptureEnd = "Fin de capture le ";
// "Length of the session : ", then hours:minutes:seconds.
inline constexpr std::string_view kLogSessionLength =
    "Dur\xE9"
    "e de la session : ";
// After a number: " page(s) captured".
inline constexpr std::string_view kLogPagesCaptured =
    " page(s) captur\xE9"
    "e(s)";
// After a number: " page(s) filtered".
inline constexpr std::string_view kLogPagesFiltered =
    " page(s) filtr\xE9"
    "e(s)";
// After a number: " page(s) not found".
inline constexpr std::string_view kLogPagesNotFound =
    " page(s) non trouv\xE9"
    "e(s)";
// After a number: " page(s) causing an error".
inline constexpr std::string_view kLogPagesFailed = " page(s) provoquant une erreur";

// --- Politeness (engine/capture_politeness.cpp), in English: lines the program did not write ---
// before it read robots.txt, so no reader of older log pages looks for them.

// After an address: " filtered : disallowed by robots.txt"
inline constexpr std::string_view kLogRobotsFiltered = " filtered : disallowed by robots.txt";
// A compressed body that decodes beyond the file size limit, or a compression bomb: "<url> filtered
// : <why>".
inline constexpr std::string_view kLogTooLargeFiltered = " filtered : ";
// After a site: " : robots.txt could not be read (", then why, ")"...
inline constexpr std::string_view kLogRobotsUnreadable = " : robots.txt could not be read (";
// ..." asked again in ", then the seconds and " s"...
inline constexpr std::string_view kLogRobotsAskedAgain = "), asked again in ";
// ...or, once the tries are spent: "), every address of the site is allowed"
inline constexpr std::string_view kLogRobotsAllowAll = "), every address of the site is allowed";
// After a site: " : robots.txt asks for ", then the seconds, " s between requests"...
inline constexpr std::string_view kLogCrawlDelay = " : robots.txt asks for ";
inline constexpr std::string_view kLogBetweenRequests = " s between requests";
// ...and when that is more than the program waits: ", ", then the seconds, " s taken".
inline constexpr std::string_view kLogCrawlDelayCapped = " s taken";
// After an HTTP status: " : the server asks to wait ", then the seconds, " s (Retry-After):",
// then the address.
inline constexpr std::string_view kLogRetryAfter = " : the server asks to wait ";
inline constexpr std::string_view kLogRetryAfterEnd = " s (Retry-After):";

// An update: "Update: ", then the number of kept files asked for again, " file(s) asked again".
inline constexpr std::string_view kLogUpdateStart = "Update: ";
inline constexpr std::string_view kLogUpdateAsked = " file(s) asked again";
// A kept file its server no longer has: "Gone (", then the HTTP status, "), file kept:" or
// "), file deleted:", then the address.
inline constexpr std::string_view kLogGone = "Gone (";
inline constexpr std::string_view kLogGoneKept = "), file kept:";
inline constexpr std::string_view kLogGoneDeleted = "), file deleted:";
// A kept file that could not be asked for again: "Not checked (", then why, "), file kept:",
// then the address.
inline constexpr std::string_view kLogNotChecked = "Not checked (";
// The end of an update: "Update: 3 unchanged, 1 changed, 2 new, 0 gone" and, when some could
// not be asked, ", 1 not checked".
inline constexpr std::string_view kLogUnchanged = " unchanged, ";
inline constexpr std::string_view kLogChanged = " changed, ";
inline constexpr std::string_view kLogNew = " new, ";
inline constexpr std::string_view kLogGoneCount = " gone";
inline constexpr std::string_view kLogNotCheckedCount = " not checked";

// --- Not in the log --------------------------------------------------------------------------

// The index of the pages of a home page (pages/page_index.cpp).
// "<!-- Start of the index of the pages -->"
inline constexpr std::string_view kIndexOfPagesStart =
    "<!-- D\xE9"
    "but Index sur les Pages -->";
// "<!-- End of the index of the pages -->", misspelt "Find" since always.
inline constexpr std::string_view kIndexOfPagesEnd = "<!-- Find Index sur les Pages -->";
// "Page No." before the numbers of the pages.
inline constexpr std::string_view kIndexPageNumber = "Page n\xB0";

// "Error": the title of the box that says a new folder could not be created
// (settings/directory_dlg.h).
inline constexpr std::string_view kCreateFolderErrorTitle = "Erreur";

}  // namespace korvane
