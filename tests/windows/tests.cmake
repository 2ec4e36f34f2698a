# tests later
