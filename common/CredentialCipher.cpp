#include "CredentialCipher.h"
