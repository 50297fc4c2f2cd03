#pragma once

// Moves this process into a network namespace of its own with only the
// loopback interface up, so nothing it sends can leave the machine. Must be
// called before any thread starts. Aborts the test program when it fails.
void enterPrivateNetworkNamespace();
