// Placeholder
