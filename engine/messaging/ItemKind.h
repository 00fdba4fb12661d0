// Item kinds from message classes (PR_MESSAGE_CLASS, [MS-OXCMSG] 2.2.1.3) and folder container
// classes (PR_CONTAINER_CLASS), and the groups of kinds the lists show.
#pragma once

#include <cstdint>

// The Kind of a message whose class is `messageClass` (zero-terminated).
int32_t KindFromMessageClass(const char* messageClass);

// The Kind of a folder whose container class is `containerClass`.
int32_t KindFromContainerClass(const char* containerClass);

// Appointment, contact, journal, sticky note or task: the kinds with a viewer
// of their own.
bool IsViewerKind(int32_t kind);

// A folder of this kind is listed: no class, mail, or a viewer kind.
bool IsListedFolderKind(int32_t kind);
