// Item kinds from message classes (PR_MESSAGE_CLASS) and folder container
// classes (PR_CONTAINER_CLASS).
#pragma once

#include <cstdint>

// The Kind of a message whose class is `messageClass` (zero-terminated).
int32_t KindFromMessageClass(const char* messageClass);

// The Kind of a folder whose container class is `containerClass`.
int32_t KindFromContainerClass(const char* containerClass);
