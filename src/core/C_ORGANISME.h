#pragma once

/// What every creature of the tank shares: identifier, position, velocity and the state of the
/// gradual turn back near the walls, per axis x, y, z.
class C_ORGANISME {
public:
    /// Draws a provisional position (three draws) and takes an identifier from the world,
    /// which must exist. The creator sets the real position and velocity right after.
    C_ORGANISME();

    int getId() const { return id; }
    float getPosX() const { return posX; }
    float getPosY() const { return posY; }
    float getPosZ() const { return posZ; }
    float getVelX() const { return velX; }
    float getVelY() const { return velY; }
    float getVelZ() const { return velZ; }
    /// axe: 0 x, 1 y, 2 z.
    bool getRetournementEnCours(int axe) const { return retournementEnCours[axe]; }
    float getRetournementRestant(int axe) const { return retournementRestant[axe]; }

    void setId(int i) { id = i; }
    void setPosition(float x, float y, float z);
    void setPositionX(float x) { posX = x; }
    void setPositionY(float y) { posY = y; }
    void setPositionZ(float z) { posZ = z; }
    void setVelocite(float x, float y, float z);
    /// Puts back the wall turn of one axis, as a saved world had it.
    void setRetournement(int axe, bool enCours, float restant);

    /// One step of the wall turn: near a wall (25 units) the velocity component swings by 0.2
    /// per call to its opposite. Never moves the creature.
    void rebondMur();

protected:
    int id = 0;
    float posX = 0.0f;
    float posY = 0.0f;
    float posZ = 0.0f;
    float velX = 0.0f;
    float velY = 0.0f;
    float velZ = 0.0f;
    float retournementRestant[3] = {0.0f, 0.0f, 0.0f};
    bool retournementEnCours[3] = {false, false, false};
};
