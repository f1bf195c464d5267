// Replaced by the capture library.
