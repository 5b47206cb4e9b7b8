// Placeholder, filled in as the work lands.
