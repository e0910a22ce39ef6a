// The sound library's own diagnostics. Without a sound card ALSA prints about nine lines of its
// own on stderr before the show's one line says that it plays silently; that line says all a
// viewer needs, so the library's are silenced. On Linux the backend is ALSA
// (library_messages_alsa.cpp).
#pragma once

// Sends the sound library's messages nowhere; call it before any sound device is opened.
void silenceSoundLibraryMessages();
