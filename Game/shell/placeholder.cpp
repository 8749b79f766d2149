// Removed once the shell has real sources.
