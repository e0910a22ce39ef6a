// The sound library's own diagnostics. Without a sound card ALSA prints about nine lines of its
// own on stderr before the show's one line says that it plays silently; that line says all a
// viewer needs, so the library's are silenced: ALSA's hook on Linux (library_messages_alsa.cpp);
// nothing to silence on Windows (library_messages_null.cpp); the web build has no such library.
#pragma once

// Sends the sound library's messages nowhere; call it before any sound device is opened.
void silenceSoundLibraryMessages();
